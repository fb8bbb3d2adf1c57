#include "Position.h"
#include "TextUtil.h"
#include "base/DomainError.h"

#include <charconv>
#include <vector>

namespace velkor::position {

namespace {

[[noreturn]] void fail(int code) {
    static constexpr std::string_view messages[] = {
        "Invalid FEN: insufficient components",
        "Invalid FEN: rank count != 8",
        "Invalid FEN: file overflow",
        "Invalid FEN: unknown piece or digit",
        "Invalid FEN: every rank must contain eight squares",
        "Invalid FEN: active color must be w or b",
        "Invalid FEN: castling rights",
        "Invalid FEN: en-passant square",
        "Invalid FEN: move counters",
        "Invalid FEN: exactly one king per side is required",
        "Invalid FEN: castling right without king and rook",
        "Invalid FEN: en-passant pawn is missing",
        "Invalid FEN: position cannot arise from a legal game",
    };
    throw DomainError("Brontil", code, std::string(messages[code - 1]));
}

std::vector<std::string_view> ranks(std::string_view placement) {
    std::vector<std::string_view> result;
    std::size_t start = 0;
    while (true) {
        const std::size_t slash = placement.find('/', start);
        result.push_back(placement.substr(start, slash - start));
        if (slash == std::string_view::npos) {
            return result;
        }
        start = slash + 1;
    }
}

void readPlacement(std::string_view placement, Position& position) {
    const std::vector<std::string_view> rankTexts = ranks(placement);
    if (rankTexts.size() != 8) {
        fail(2);
    }
    for (int rankPosition = 0; rankPosition < 8; ++rankPosition) {
        const std::string_view rankText = rankTexts[rankPosition];
        if (rankText.empty()) {
            fail(5);
        }
        // Digit runs may push the counter far past the board before a piece is checked.
        std::size_t file = 0;
        for (const char character : rankText) {
            if (character >= '1' && character <= '8') {
                file += static_cast<std::size_t>(character - '0');
                continue;
            }
            const bool upper = character >= 'A' && character <= 'Z';
            const char lower = upper ? static_cast<char>(character - 'A' + 'a') : character;
            const std::optional<PieceType> type = pieceTypeFromRawValue(lower);
            if (!type) {
                fail(4);
            }
            if (file > 7) {
                fail(3);
            }
            const auto square = file + static_cast<std::size_t>(7 - rankPosition) * 8;
            position.cells[square] = makeCell(*type, upper ? PieceColor::white : PieceColor::black);
            ++file;
        }
        if (file != 8) {
            fail(5);
        }
    }
}

CastlingRights readCastling(std::string_view field) {
    if (field == "-") {
        return CastlingRights::none();
    }
    std::string letters;
    for (const char character : field) {
        if (std::string_view("KQkq").find(character) == std::string_view::npos ||
            letters.find(character) != std::string::npos) {
            fail(7);
        }
        letters += character;
    }
    return CastlingRights::fromFen(letters);
}

std::int8_t readEnPassant(std::string_view field, PieceColor turn) {
    if (field == "-") {
        return -1;
    }
    const std::optional<Square> square = Square::parse(field);
    if (!square || square->rank != (turn == PieceColor::white ? 5 : 2)) {
        fail(8);
    }
    return static_cast<std::int8_t>(square->index());
}

// A whole number with an optional sign, as a 64-bit value; none for anything else.
std::optional<std::int64_t> readInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    for (const char character : text) {
        if (character < '0' || character > '9') {
            return std::nullopt;
        }
    }
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

void checkCastlingMen(const Position& position) {
    const auto& cells = position.cells;
    const auto holds = [&cells](int square, PieceType type, PieceColor color) {
        return cells[square] == makeCell(type, color);
    };
    const CastlingRights& rights = position.castling;
    const bool whiteKing = holds(4, PieceType::king, PieceColor::white);
    const bool blackKing = holds(60, PieceType::king, PieceColor::black);
    if ((rights.whiteKingside && !(whiteKing && holds(7, PieceType::rook, PieceColor::white))) ||
        (rights.whiteQueenside && !(whiteKing && holds(0, PieceType::rook, PieceColor::white))) ||
        (rights.blackKingside && !(blackKing && holds(63, PieceType::rook, PieceColor::black))) ||
        (rights.blackQueenside && !(blackKing && holds(56, PieceType::rook, PieceColor::black)))) {
        fail(11);
    }
}

void checkEnPassantPawn(const Position& position) {
    if (position.enPassant < 0) {
        return;
    }
    const PieceColor mover = opponent(position.turn);
    const int step = position.turn == PieceColor::white ? 8 : -8;
    const int behind = position.enPassant - step;
    // The pawn has just left the square in front of the target: a man standing there means it
    // cannot have come past, and taking en passant would then jump over that man.
    const int origin = position.enPassant + step;
    if (position.cells[position.enPassant] != emptyCell ||
        position.cells[behind] != makeCell(PieceType::pawn, mover) ||
        position.cells[origin] != emptyCell) {
        fail(12);
    }
}

} // namespace

std::optional<Unreachable> whyUnreachable(const Position& position) {
    int whitePawns = 0;
    int blackPawns = 0;
    for (int square = 0; square < 64; ++square) {
        const Cell cell = position.cells[square];
        if (cell == emptyCell || cellType(cell) != PieceType::pawn) {
            continue;
        }
        if (square < 8 || square >= 56) {
            return Unreachable::pawnOnFirstOrLastRank;
        }
        ++(cellColor(cell) == PieceColor::white ? whitePawns : blackPawns);
    }
    if (whitePawns > 8 || blackPawns > 8) {
        return Unreachable::tooManyPawns;
    }
    if (isKingInCheck(position, opponent(position.turn))) {
        return Unreachable::sideNotToMoveInCheck;
    }
    return std::nullopt;
}

Position readFenFields(std::string_view text) {
    const std::vector<std::string_view> parts = text::splitAtWhitespace(text);
    if (parts.size() != 6) {
        fail(1);
    }
    Position position;
    readPlacement(parts[0], position);

    const std::optional<PieceColor> turn = pieceColorFromRawValue(parts[1]);
    if (!turn) {
        fail(6);
    }
    position.turn = *turn;
    position.castling = readCastling(parts[2]);
    position.enPassant = readEnPassant(parts[3], position.turn);

    const std::optional<std::int64_t> halfmove = readInteger(parts[4]);
    const std::optional<std::int64_t> fullmove = readInteger(parts[5]);
    if (!halfmove || *halfmove < 0 || !fullmove || *fullmove < 1) {
        fail(9);
    }
    position.halfmoveClock = *halfmove;
    position.fullmoveNumber = *fullmove;
    return position;
}

void checkPosition(const Position& position) {
    int whiteKings = 0;
    int blackKings = 0;
    for (const Cell cell : position.cells) {
        if (cell == makeCell(PieceType::king, PieceColor::white)) {
            ++whiteKings;
        } else if (cell == makeCell(PieceType::king, PieceColor::black)) {
            ++blackKings;
        }
    }
    if (whiteKings != 1 || blackKings != 1) {
        fail(10);
    }
    checkCastlingMen(position);
    checkEnPassantPawn(position);
    if (whyUnreachable(position)) {
        fail(13);
    }
}

Position positionFromFen(std::string_view text) {
    Position position = readFenFields(text);
    checkPosition(position);
    return position;
}

} // namespace velkor::position

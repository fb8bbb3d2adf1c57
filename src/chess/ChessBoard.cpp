#include "ChessBoard.h"

#include <cstdlib>
#include <stdexcept>

namespace velkor {

using position::Cell;
using position::CompactMove;
using position::MoveList;

namespace {

bool isOnBoard(std::int64_t file, std::int64_t rank) {
    return file >= 0 && file < 8 && rank >= 0 && rank < 8;
}

bool isOnBoard(const Move& move) {
    return isOnBoard(move.from.file, move.from.rank) && isOnBoard(move.to.file, move.to.rank);
}

std::vector<Move> toMoves(const MoveList& list) {
    std::vector<Move> moves;
    moves.reserve(list.size());
    for (const CompactMove move : list) {
        moves.push_back(position::toMove(move));
    }
    return moves;
}

std::optional<Square> squareOf(int index) {
    return index < 0 ? std::nullopt : Square::fromIndex(index);
}

} // namespace

ChessBoard::ChessBoard() {
    load(standardStartingFEN);
}

ChessBoard::ChessBoard(std::string_view fen) {
    load(fen);
}

void ChessBoard::load(std::string_view fen) {
    const position::Position loaded = position::positionFromFen(fen);
    std::array<PieceId, 64> ids{};
    for (std::size_t square = 0; square < 64; ++square) {
        if (loaded.cells[square] != position::emptyCell) {
            ids[square] = PieceId::generate();
        }
    }
    std::string initial = position::fen(loaded);
    std::unordered_map<std::string, std::int64_t> counts{{position::repetitionKey(loaded), 1}};

    m_position = loaded;
    m_ids = ids;
    m_history.clear();
    m_initialFEN = std::move(initial);
    m_positionHistory = std::move(counts);
}

std::string ChessBoard::fen() const {
    return position::fen(m_position);
}

std::string ChessBoard::positionHashKey() const {
    return position::repetitionKey(m_position);
}

std::optional<Piece> ChessBoard::operator[](Square square) const {
    return pieceAt(square.file, square.rank);
}

std::optional<Piece> ChessBoard::pieceAt(std::int64_t file, std::int64_t rank) const {
    if (!isOnBoard(file, rank)) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(file + rank * 8);
    const Cell cell = m_position.cells[index];
    if (cell == position::emptyCell) {
        return std::nullopt;
    }
    return Piece(m_ids[index], position::cellType(cell), position::cellColor(cell));
}

void ChessBoard::setPiece(Square square, std::optional<Piece> piece) {
    if (!isOnBoard(square.file, square.rank)) {
        throw std::out_of_range("ChessBoard::setPiece: square off the board");
    }
    const auto index = static_cast<std::size_t>(square.index());
    m_position.cells[index] =
        piece ? position::makeCell(piece->type, piece->color) : position::emptyCell;
    m_ids[index] = piece ? piece->id : PieceId{};
}

std::array<std::optional<Piece>, 64> ChessBoard::squares() const {
    std::array<std::optional<Piece>, 64> result;
    for (const Square square : allSquares) {
        result[static_cast<std::size_t>(square.index())] = (*this)[square];
    }
    return result;
}

std::optional<Square> ChessBoard::enPassantTarget() const {
    return squareOf(m_position.enPassant);
}

bool ChessBoard::isSquareAttacked(Square square, PieceColor by) const {
    return isOnBoard(square.file, square.rank) &&
           position::isSquareAttacked(m_position, static_cast<int>(square.index()), by);
}

std::optional<Square> ChessBoard::findKing(PieceColor color) const {
    return squareOf(position::findKing(m_position, color));
}

bool ChessBoard::isKingInCheck(PieceColor color) const {
    return position::isKingInCheck(m_position, color);
}

std::vector<Move> ChessBoard::generateLegalMoves() const {
    MoveList moves;
    position::generateLegalMoves(m_position, moves);
    return toMoves(moves);
}

std::vector<Move> ChessBoard::legalMoves(Square from) const {
    std::vector<Move> result;
    if (!isOnBoard(from.file, from.rank)) {
        return result;
    }
    MoveList moves;
    position::generateLegalMoves(m_position, moves);
    for (const CompactMove move : moves) {
        if (move.from == from.index()) {
            result.push_back(position::toMove(move));
        }
    }
    return result;
}

bool ChessBoard::play(const Move& move) {
    if (!isOnBoard(move)) {
        return false;
    }
    MoveList legal;
    position::generateLegalMoves(m_position, legal);
    const CompactMove compact = position::toCompact(move);
    bool found = false;
    for (const CompactMove candidate : legal) {
        found = found || candidate == compact;
    }
    if (!found) {
        return false;
    }

    MoveRecord record{move,
                      position::standardAlgebraicNotation(m_position, compact, legal),
                      capturedPieceFor(compact),
                      m_position.castling,
                      enPassantTarget(),
                      m_position.halfmoveClock,
                      {}};
    position::Position next = m_position;
    position::applyInternal(next, compact);
    record.fenAfter = position::fen(next);
    std::array<PieceId, 64> nextIds = m_ids;
    moveIds(nextIds, compact);
    const std::string key = position::repetitionKey(next);

    // Everything that may throw is done before the board changes.
    m_history.push_back(std::move(record));
    try {
        ++m_positionHistory[key];
    } catch (...) {
        m_history.pop_back();
        throw;
    }
    m_position = next;
    m_ids = nextIds;
    return true;
}

bool ChessBoard::undo() {
    if (m_history.empty()) {
        return false;
    }
    const MoveRecord record = std::move(m_history.back());
    m_history.pop_back();

    const auto count = m_positionHistory.find(positionHashKey());
    if (count != m_positionHistory.end()) {
        if (count->second >= 2) {
            --count->second;
        } else {
            m_positionHistory.erase(count);
        }
    }

    auto& cells = m_position.cells;
    const auto from = static_cast<std::size_t>(record.move.from.index());
    const auto to = static_cast<std::size_t>(record.move.to.index());
    const Cell moved = cells[to];
    if (record.move.promotion) {
        cells[from] = position::makeCell(PieceType::pawn, position::cellColor(moved));
        m_ids[from] = PieceId::generate();
    } else {
        cells[from] = moved;
        m_ids[from] = m_ids[to];
    }
    cells[to] = position::emptyCell;

    if (record.capturedPiece) {
        std::size_t square = to;
        if (record.previousEnPassant == record.move.to &&
            cells[from] == position::makeCell(PieceType::pawn, position::cellColor(moved))) {
            square = static_cast<std::size_t>(record.move.to.file + record.move.from.rank * 8);
        }
        cells[square] = position::makeCell(record.capturedPiece->type, record.capturedPiece->color);
        m_ids[square] = record.capturedPiece->id;
    }

    if (moved != position::emptyCell && position::cellType(moved) == PieceType::king &&
        std::abs(record.move.to.file - record.move.from.file) == 2) {
        const auto rankStart = static_cast<std::size_t>(record.move.from.rank * 8);
        const auto restoreRook = [&](std::size_t now, std::size_t home) {
            cells[home] = cells[now];
            m_ids[home] = m_ids[now];
            cells[now] = position::emptyCell;
        };
        if (record.move.to.file == 2) {
            restoreRook(rankStart + 3, rankStart);
        } else if (record.move.to.file == 6) {
            restoreRook(rankStart + 5, rankStart + 7);
        }
    }

    m_position.castling = record.previousCastling;
    m_position.enPassant = record.previousEnPassant
                               ? static_cast<std::int8_t>(record.previousEnPassant->index())
                               : std::int8_t{-1};
    m_position.halfmoveClock = record.previousHalfmove;
    m_position.turn = opponent(m_position.turn);
    if (m_position.turn == PieceColor::black && m_position.fullmoveNumber > 1) {
        --m_position.fullmoveNumber;
    }
    return true;
}

std::optional<std::string> ChessBoard::san(const Move& move) const {
    if (!isOnBoard(move)) {
        return std::nullopt;
    }
    MoveList legal;
    position::generateLegalMoves(m_position, legal);
    const CompactMove compact = position::toCompact(move);
    for (const CompactMove candidate : legal) {
        if (candidate == compact) {
            return position::standardAlgebraicNotation(m_position, compact, legal);
        }
    }
    return std::nullopt;
}

std::string ChessBoard::standardAlgebraicNotation(const Move& move,
                                                  const std::vector<Move>& legalMoves) const {
    if (!isOnBoard(move)) {
        return move.uciString();
    }
    MoveList legal;
    for (const Move& candidate : legalMoves) {
        if (isOnBoard(candidate) && legal.size() < MoveList::capacity) {
            legal.push(position::toCompact(candidate));
        }
    }
    return position::standardAlgebraicNotation(m_position, position::toCompact(move), legal);
}

bool ChessBoard::operator==(const ChessBoard& other) const {
    return m_position == other.m_position && m_history == other.m_history &&
           m_initialFEN == other.m_initialFEN && m_positionHistory == other.m_positionHistory;
}

std::optional<Piece> ChessBoard::capturedPieceFor(CompactMove move) const {
    const Square from = allSquares[move.from];
    const Square to = allSquares[move.to];
    if (const std::optional<Piece> occupant = (*this)[to]) {
        return occupant;
    }
    const std::optional<Piece> moving = (*this)[from];
    if (moving && moving->type == PieceType::pawn && from.file != to.file) {
        return pieceAt(to.file, from.rank);
    }
    return std::nullopt;
}

void ChessBoard::moveIds(std::array<PieceId, 64>& ids, CompactMove move) const {
    const Cell moving = m_position.cells[move.from];
    if (moving == position::emptyCell) {
        return;
    }
    ids[move.to] = move.promotion != 0 ? PieceId::generate() : ids[move.from];
    const int fromFile = move.from % 8;
    const int toFile = move.to % 8;
    if (position::cellType(moving) == PieceType::king && std::abs(toFile - fromFile) == 2) {
        const int rankStart = move.from / 8 * 8;
        if (toFile == 6) {
            ids[rankStart + 5] = ids[rankStart + 7];
        } else if (toFile == 2) {
            ids[rankStart + 3] = ids[rankStart];
        }
    }
}

} // namespace velkor

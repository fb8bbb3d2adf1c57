#include "Position.h"

#include <cstdlib>

namespace velkor::position {

namespace {

char fenLetter(Cell cell) {
    const char letter = rawValue(cellType(cell));
    return cellColor(cell) == PieceColor::white ? static_cast<char>(letter - 'a' + 'A') : letter;
}

void appendSquare(std::string& text, int square) {
    text += static_cast<char>('a' + square % 8);
    text += static_cast<char>('1' + square / 8);
}

// Placement, side to move, castling and the given en-passant square: the part that FEN and the
// repetition key share.
void appendFirstFields(std::string& text, const Position& position, int enPassant) {
    for (int rank = 7; rank >= 0; --rank) {
        int emptyRun = 0;
        for (int file = 0; file < 8; ++file) {
            const Cell cell = position.cells[file + rank * 8];
            if (cell == emptyCell) {
                ++emptyRun;
                continue;
            }
            if (emptyRun > 0) {
                text += static_cast<char>('0' + emptyRun);
                emptyRun = 0;
            }
            text += fenLetter(cell);
        }
        if (emptyRun > 0) {
            text += static_cast<char>('0' + emptyRun);
        }
        if (rank > 0) {
            text += '/';
        }
    }
    text += ' ';
    text += rawValue(position.turn);
    text += ' ';
    text += position.castling.fenString();
    text += ' ';
    if (enPassant >= 0) {
        appendSquare(text, enPassant);
    } else {
        text += '-';
    }
}

// The stored target counts for repetition only when a pawn of the side to move can take on it
// without leaving its own king attacked.
int repetitionEnPassant(const Position& position) {
    const int target = position.enPassant;
    if (target < 0) {
        return -1;
    }
    const PieceColor mover = position.turn;
    const int captureRank = target / 8 + (mover == PieceColor::white ? -1 : 1);
    if (captureRank < 0 || captureRank > 7) {
        return -1;
    }
    const Cell pawn = makeCell(PieceType::pawn, mover);
    for (const int file : {target % 8 - 1, target % 8 + 1}) {
        if (file < 0 || file > 7 || position.cells[file + captureRank * 8] != pawn) {
            continue;
        }
        Position copy = position;
        applyInternal(copy, CompactMove{static_cast<std::uint8_t>(file + captureRank * 8),
                                        static_cast<std::uint8_t>(target), 0});
        const int king = findKing(copy, mover);
        if (king < 0 || !isSquareAttacked(copy, king, opponent(mover))) {
            return target;
        }
    }
    return -1;
}

std::string disambiguation(const Position& position, CompactMove move, const MoveList& legalMoves) {
    const PieceType type = cellType(position.cells[move.from]);
    bool anyRival = false;
    bool sameFile = false;
    bool sameRank = false;
    for (const CompactMove rival : legalMoves) {
        if (rival.to != move.to || rival.from == move.from) {
            continue;
        }
        const Cell cell = position.cells[rival.from];
        if (cell == emptyCell || cellType(cell) != type) {
            continue;
        }
        anyRival = true;
        sameFile = sameFile || rival.from % 8 == move.from % 8;
        sameRank = sameRank || rival.from / 8 == move.from / 8;
    }
    std::string text;
    if (!anyRival) {
        return text;
    }
    if (!sameFile) {
        text += static_cast<char>('a' + move.from % 8);
    } else if (!sameRank) {
        text += static_cast<char>('1' + move.from / 8);
    } else {
        appendSquare(text, move.from);
    }
    return text;
}

} // namespace

std::string fen(const Position& position) {
    std::string text;
    text.reserve(96);
    appendFirstFields(text, position, position.enPassant);
    text += ' ';
    text += std::to_string(position.halfmoveClock);
    text += ' ';
    text += std::to_string(position.fullmoveNumber);
    return text;
}

std::string repetitionKey(const Position& position) {
    std::string text;
    text.reserve(80);
    appendFirstFields(text, position, repetitionEnPassant(position));
    return text;
}

std::string standardAlgebraicNotation(const Position& position, CompactMove move,
                                      const MoveList& legalMoves) {
    const Cell moving = position.cells[move.from];
    if (moving == emptyCell) {
        return toMove(move).uciString();
    }
    const PieceType type = cellType(moving);
    const int fromFile = move.from % 8;
    const int toFile = move.to % 8;

    std::string text;
    if (type == PieceType::king && std::abs(toFile - fromFile) == 2) {
        text = toFile == 6 ? "O-O" : "O-O-O";
    } else if (type == PieceType::pawn) {
        if (fromFile != toFile) {
            text += static_cast<char>('a' + fromFile);
            text += 'x';
        }
        appendSquare(text, move.to);
        if (move.promotion != 0) {
            text += '=';
            text += sanLetter(static_cast<PieceType>(move.promotion - 1));
        }
    } else {
        text += sanLetter(type);
        text += disambiguation(position, move, legalMoves);
        if (position.cells[move.to] != emptyCell) {
            text += 'x';
        }
        appendSquare(text, move.to);
    }

    Position after = position;
    applyInternal(after, move);
    if (isKingInCheck(after, after.turn)) {
        text += hasLegalMove(after) ? '+' : '#';
    }
    return text;
}

} // namespace velkor::position

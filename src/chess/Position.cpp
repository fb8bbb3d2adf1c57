#include "Position.h"

#include "PositionTables.h"

#include <cstdlib>
#include <limits>

namespace velkor::position {

using tables::squareTables;

CompactMove toCompact(const Move& move) {
    const auto promotion =
        move.promotion ? static_cast<std::uint8_t>(static_cast<int>(*move.promotion) + 1) : 0;
    return CompactMove{static_cast<std::uint8_t>(move.from.index()),
                       static_cast<std::uint8_t>(move.to.index()),
                       static_cast<std::uint8_t>(promotion)};
}

Move toMove(CompactMove move) {
    std::optional<PieceType> promotion;
    if (move.promotion != 0) {
        promotion = static_cast<PieceType>(move.promotion - 1);
    }
    return Move(Square(move.from % 8, move.from / 8), Square(move.to % 8, move.to / 8), promotion);
}

bool isSquareAttacked(const Position& position, int square, PieceColor by) {
    const auto& cells = position.cells;
    const int file = square % 8;
    const int rank = square / 8;

    const int pawnRank = by == PieceColor::white ? rank - 1 : rank + 1;
    if (pawnRank >= 0 && pawnRank < 8) {
        const Cell pawn = makeCell(PieceType::pawn, by);
        if (file > 0 && cells[pawnRank * 8 + file - 1] == pawn) {
            return true;
        }
        if (file < 7 && cells[pawnRank * 8 + file + 1] == pawn) {
            return true;
        }
    }

    const Cell knight = makeCell(PieceType::knight, by);
    const tables::Targets& jumps = squareTables.knight[square];
    for (int i = 0; i < jumps.count; ++i) {
        if (cells[jumps.squares[i]] == knight) {
            return true;
        }
    }

    const Cell queen = makeCell(PieceType::queen, by);
    const auto lineAttacker = [&](int firstDirection, Cell slider) {
        for (int direction = firstDirection; direction < firstDirection + 4; ++direction) {
            const tables::Ray& ray = squareTables.rays[square][direction];
            for (int i = 0; i < ray.length; ++i) {
                const Cell cell = cells[ray.squares[i]];
                if (cell != emptyCell) {
                    if (cell == slider || cell == queen) {
                        return true;
                    }
                    break;
                }
            }
        }
        return false;
    };
    if (lineAttacker(tables::firstRookLine, makeCell(PieceType::rook, by)) ||
        lineAttacker(tables::firstBishopLine, makeCell(PieceType::bishop, by))) {
        return true;
    }

    const Cell king = makeCell(PieceType::king, by);
    const tables::Targets& steps = squareTables.king[square];
    for (int i = 0; i < steps.count; ++i) {
        if (cells[steps.squares[i]] == king) {
            return true;
        }
    }
    return false;
}

int findKing(const Position& position, PieceColor color) {
    const Cell king = makeCell(PieceType::king, color);
    for (int square = 0; square < 64; ++square) {
        if (position.cells[square] == king) {
            return square;
        }
    }
    return -1;
}

bool isKingInCheck(const Position& position, PieceColor color) {
    const int king = findKing(position, color);
    return king >= 0 && isSquareAttacked(position, king, opponent(color));
}

namespace {

// Counters are signed 64-bit values read from FEN; they stop at the largest value instead of
// overflowing.
std::int64_t incremented(std::int64_t counter) {
    return counter == std::numeric_limits<std::int64_t>::max() ? counter : counter + 1;
}

// Clears the flag that belongs to a rook's home corner; other squares change nothing.
void clearCornerRight(CastlingRights& rights, int square) {
    switch (square) {
    case 0:
        rights.whiteQueenside = false;
        break;
    case 7:
        rights.whiteKingside = false;
        break;
    case 56:
        rights.blackQueenside = false;
        break;
    case 63:
        rights.blackKingside = false;
        break;
    default:
        break;
    }
}

void updateCastlingRights(Position& position, CompactMove move, Cell movingPiece) {
    CastlingRights& rights = position.castling;
    const PieceType type = cellType(movingPiece);
    if (type == PieceType::rook) {
        clearCornerRight(rights, move.from);
    }
    if (type == PieceType::king) {
        if (cellColor(movingPiece) == PieceColor::white) {
            rights.whiteKingside = rights.whiteQueenside = false;
        } else {
            rights.blackKingside = rights.blackQueenside = false;
        }
    }
    // Arriving on a corner covers the capture of a rook at home.
    clearCornerRight(rights, move.to);
}

} // namespace

void applyInternal(Position& position, CompactMove move) {
    auto& cells = position.cells;
    const Cell moving = cells[move.from];
    if (moving == emptyCell) {
        return;
    }
    cells[move.from] = emptyCell;
    const PieceType type = cellType(moving);
    const int fromFile = move.from % 8;
    const int fromRank = move.from / 8;
    const int toFile = move.to % 8;
    const int toRank = move.to / 8;

    bool capture = false;
    if (type == PieceType::pawn && fromFile != toFile && cells[move.to] == emptyCell) {
        cells[toFile + fromRank * 8] = emptyCell;
        capture = true;
    } else {
        capture = cells[move.to] != emptyCell;
        if (type == PieceType::king && std::abs(toFile - fromFile) == 2) {
            const int rankStart = fromRank * 8;
            if (toFile == 6) {
                cells[rankStart + 5] = cells[rankStart + 7];
                cells[rankStart + 7] = emptyCell;
            } else if (toFile == 2) {
                cells[rankStart + 3] = cells[rankStart];
                cells[rankStart] = emptyCell;
            }
        }
    }

    std::int8_t enPassant = -1;
    if (type == PieceType::pawn && std::abs(toRank - fromRank) == 2) {
        enPassant = static_cast<std::int8_t>(fromFile + (fromRank + toRank) / 2 * 8);
    }

    cells[move.to] = move.promotion != 0
                         ? makeCell(static_cast<PieceType>(move.promotion - 1), cellColor(moving))
                         : moving;
    updateCastlingRights(position, move, moving);
    position.halfmoveClock =
        type == PieceType::pawn || capture ? 0 : incremented(position.halfmoveClock);
    if (position.turn == PieceColor::black) {
        position.fullmoveNumber = incremented(position.fullmoveNumber);
    }
    position.enPassant = enPassant;
    position.turn = opponent(position.turn);
}

} // namespace velkor::position

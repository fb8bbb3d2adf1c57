#include "Position.h"
#include "PositionTables.h"

#include <cstdlib>

namespace velkor::position {

using tables::squareTables;

namespace {

constexpr std::array<PieceType, 4> promotionOrder{PieceType::queen, PieceType::rook,
                                                  PieceType::bishop, PieceType::knight};

// A target a man may move to: empty, or an enemy man other than the king (kings are never
// captured, so the enemy king blocks like an own man).
bool isOpenTarget(Cell cell, PieceColor mover) {
    return cell == emptyCell || (cellColor(cell) != mover && cellType(cell) != PieceType::king);
}

void pushPawnMove(MoveList& moves, int from, int to, bool promotes) {
    if (!promotes) {
        moves.push(CompactMove{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to), 0});
        return;
    }
    for (const PieceType type : promotionOrder) {
        moves.push(CompactMove{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to),
                               static_cast<std::uint8_t>(static_cast<int>(type) + 1)});
    }
}

void generatePawnMoves(const Position& position, int from, PieceColor color, MoveList& moves) {
    const auto& cells = position.cells;
    const bool white = color == PieceColor::white;
    const int file = from % 8;
    const int rank = from / 8;
    const int aheadRank = white ? rank + 1 : rank - 1;
    if (aheadRank < 0 || aheadRank > 7) {
        return;
    }
    const bool promotes = aheadRank == (white ? 7 : 0);
    const int ahead = file + aheadRank * 8;
    if (cells[ahead] == emptyCell) {
        pushPawnMove(moves, from, ahead, promotes);
        const int twoAhead = white ? ahead + 8 : ahead - 8;
        if (!promotes && rank == (white ? 1 : 6) && cells[twoAhead] == emptyCell) {
            pushPawnMove(moves, from, twoAhead, false);
        }
    }
    const Cell enemyPawn = makeCell(PieceType::pawn, opponent(color));
    for (const int captureFile : {file - 1, file + 1}) {
        if (captureFile < 0 || captureFile > 7) {
            continue;
        }
        const int target = captureFile + aheadRank * 8;
        const Cell cell = cells[target];
        if (cell != emptyCell && cellColor(cell) != color && cellType(cell) != PieceType::king) {
            pushPawnMove(moves, from, target, promotes);
        } else if (position.enPassant == target && cells[captureFile + rank * 8] == enemyPawn) {
            pushPawnMove(moves, from, target, false);
        }
    }
}

void generateJumps(const Position& position, int from, PieceColor color,
                   const tables::Targets& targets, MoveList& moves) {
    for (int i = 0; i < targets.count; ++i) {
        const int to = targets.squares[i];
        if (isOpenTarget(position.cells[to], color)) {
            moves.push(
                CompactMove{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to), 0});
        }
    }
}

void generateSlidingMoves(const Position& position, int from, PieceColor color, int firstDirection,
                          int lastDirection, MoveList& moves) {
    for (int direction = firstDirection; direction <= lastDirection; ++direction) {
        const tables::Ray& ray = squareTables.rays[from][direction];
        for (int i = 0; i < ray.length; ++i) {
            const int to = ray.squares[i];
            const Cell cell = position.cells[to];
            if (isOpenTarget(cell, color)) {
                moves.push(
                    CompactMove{static_cast<std::uint8_t>(from), static_cast<std::uint8_t>(to), 0});
            }
            if (cell != emptyCell) {
                break;
            }
        }
    }
}

void generateKingMoves(const Position& position, int from, PieceColor color, MoveList& moves) {
    generateJumps(position, from, color, squareTables.king[from], moves);
    const int home = color == PieceColor::white ? 4 : 60;
    const PieceColor enemy = opponent(color);
    if (from != home || isSquareAttacked(position, home, enemy)) {
        return;
    }
    const auto& cells = position.cells;
    const Cell rook = makeCell(PieceType::rook, color);
    const bool white = color == PieceColor::white;
    const bool kingside = white ? position.castling.whiteKingside : position.castling.blackKingside;
    const bool queenside =
        white ? position.castling.whiteQueenside : position.castling.blackQueenside;
    if (kingside && cells[home + 3] == rook && cells[home + 1] == emptyCell &&
        cells[home + 2] == emptyCell && !isSquareAttacked(position, home + 1, enemy) &&
        !isSquareAttacked(position, home + 2, enemy)) {
        moves.push(
            CompactMove{static_cast<std::uint8_t>(home), static_cast<std::uint8_t>(home + 2), 0});
    }
    if (queenside && cells[home - 4] == rook && cells[home - 1] == emptyCell &&
        cells[home - 2] == emptyCell && cells[home - 3] == emptyCell &&
        !isSquareAttacked(position, home - 1, enemy) &&
        !isSquareAttacked(position, home - 2, enemy)) {
        moves.push(
            CompactMove{static_cast<std::uint8_t>(home), static_cast<std::uint8_t>(home - 2), 0});
    }
}

void generatePieceMoves(const Position& position, int from, Cell cell, MoveList& moves) {
    const PieceColor color = cellColor(cell);
    switch (cellType(cell)) {
    case PieceType::pawn:
        generatePawnMoves(position, from, color, moves);
        break;
    case PieceType::knight:
        generateJumps(position, from, color, squareTables.knight[from], moves);
        break;
    case PieceType::bishop:
        generateSlidingMoves(position, from, color, tables::firstBishopLine,
                             tables::firstRookLine - 1, moves);
        break;
    case PieceType::rook:
        generateSlidingMoves(position, from, color, tables::firstRookLine, tables::lineCount - 1,
                             moves);
        break;
    case PieceType::queen:
        generateSlidingMoves(position, from, color, 0, tables::lineCount - 1, moves);
        break;
    case PieceType::king:
        generateKingMoves(position, from, color, moves);
        break;
    }
}

// The exact test: make the move on a copy and look at the mover's king (if it has one).
bool leavesKingSafe(const Position& position, CompactMove move) {
    Position copy = position;
    applyInternal(copy, move);
    const int king = findKing(copy, position.turn);
    return king < 0 || !isSquareAttacked(copy, king, opponent(position.turn));
}

// Own men standing alone between the king and an enemy line piece, with the direction of that
// line as seen from the king.
struct Pins {
    std::uint64_t squares = 0;
    std::array<std::int8_t, 64> direction;

    bool contains(int square) const { return (squares >> square) & 1U; }
};

Pins findPins(const Position& position, int king, PieceColor color) {
    Pins pins;
    const Cell enemyQueen = makeCell(PieceType::queen, opponent(color));
    for (int direction = 0; direction < tables::lineCount; ++direction) {
        const Cell enemySlider = makeCell(
            tables::isDiagonal(direction) ? PieceType::bishop : PieceType::rook, opponent(color));
        const tables::Ray& ray = squareTables.rays[king][direction];
        int shield = -1;
        for (int i = 0; i < ray.length; ++i) {
            const int square = ray.squares[i];
            const Cell cell = position.cells[square];
            if (cell == emptyCell) {
                continue;
            }
            if (shield < 0) {
                if (cellColor(cell) != color) {
                    break;
                }
                shield = square;
                continue;
            }
            if (cell == enemySlider || cell == enemyQueen) {
                pins.squares |= std::uint64_t{1} << shield;
                pins.direction[shield] = static_cast<std::int8_t>(direction);
            }
            break;
        }
    }
    return pins;
}

bool isEnPassantCapture(const Position& position, CompactMove move) {
    const Cell moving = position.cells[move.from];
    return cellType(moving) == PieceType::pawn && move.from % 8 != move.to % 8 &&
           position.cells[move.to] == emptyCell;
}

} // namespace

void generateLegalMoves(const Position& position, MoveList& moves) {
    moves.clear();
    const PieceColor color = position.turn;
    int king = -1;
    int kingCount = 0;
    for (int square = 0; square < 64; ++square) {
        const Cell cell = position.cells[square];
        if (cell == emptyCell || cellColor(cell) != color) {
            continue;
        }
        if (cellType(cell) == PieceType::king && kingCount++ == 0) {
            king = square;
        }
        generatePieceMoves(position, square, cell, moves);
    }
    if (kingCount == 0) {
        // Without a king of the mover no move can leave it attacked.
        return;
    }

    std::size_t kept = 0;
    if (kingCount == 1 && !isSquareAttacked(position, king, opponent(color))) {
        // Not in check: only a king move, en passant (two men leave one rank) or a pinned man
        // leaving its line can expose the king, so only those need the exact test.
        const Pins pins = findPins(position, king, color);
        for (std::size_t i = 0; i < moves.size(); ++i) {
            const CompactMove move = moves[i];
            bool legal = true;
            if (move.from == king || isEnPassantCapture(position, move)) {
                legal = leavesKingSafe(position, move);
            } else if (pins.contains(move.from)) {
                legal = squareTables.directionBetween[king][move.to] == pins.direction[move.from];
            }
            if (legal) {
                moves[kept++] = move;
            }
        }
    } else {
        for (std::size_t i = 0; i < moves.size(); ++i) {
            if (leavesKingSafe(position, moves[i])) {
                moves[kept++] = moves[i];
            }
        }
    }
    moves.truncate(kept);
}

bool hasLegalMove(const Position& position) {
    MoveList moves;
    generateLegalMoves(position, moves);
    return !moves.empty();
}

std::int64_t perft(const Position& position, int depth) {
    if (depth <= 0) {
        return 1;
    }
    MoveList moves;
    generateLegalMoves(position, moves);
    if (depth == 1) {
        return static_cast<std::int64_t>(moves.size());
    }
    std::int64_t nodes = 0;
    for (const CompactMove move : moves) {
        Position next = position;
        applyInternal(next, move);
        nodes += perft(next, depth - 1);
    }
    return nodes;
}

} // namespace velkor::position

#pragma once

#include "CastlingRights.h"
#include "Move.h"
#include "Piece.h"
#include "Square.h"

#include <cstdint>
#include <optional>
#include <string>

namespace velkor {

// One move as played, kept in the board's history in playing order: enough to show it, write it
// as PGN and take it back exactly.
struct MoveRecord {
    Move move;
    // SAN in the position before the move, check and mate signs included.
    std::string san;
    // The man removed by the move (for en passant, the pawn beside the destination).
    std::optional<Piece> capturedPiece;
    CastlingRights previousCastling;
    std::optional<Square> previousEnPassant;
    std::int64_t previousHalfmove = 0;
    // FEN of the position after the move.
    std::string fenAfter;

    bool operator==(const MoveRecord&) const = default;
};

} // namespace velkor

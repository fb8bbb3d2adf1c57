#pragma once

#include "CastlingRights.h"
#include "Move.h"
#include "PieceColor.h"
#include "PieceType.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkor {

// The placement and state of one position in a compact form, without history or piece ids, so
// that every look-ahead (legality, check signs, repetition keys, perft) copies only these few
// bytes. ChessBoard wraps it with the game record.
namespace position {

// One square: 0 is empty; otherwise bit 3 holds the colour and the low bits the type + 1.
using Cell = std::uint8_t;

inline constexpr Cell emptyCell = 0;

constexpr Cell makeCell(PieceType type, PieceColor color) {
    return static_cast<Cell>((static_cast<int>(color) << 3) | (static_cast<int>(type) + 1));
}
constexpr PieceType cellType(Cell cell) {
    return static_cast<PieceType>((cell & 7) - 1);
}
constexpr PieceColor cellColor(Cell cell) {
    return static_cast<PieceColor>(cell >> 3);
}

// A move in square indices; promotion 0 means none, otherwise the PieceType + 1.
struct CompactMove {
    std::uint8_t from;
    std::uint8_t to;
    std::uint8_t promotion;

    constexpr bool operator==(const CompactMove&) const = default;
};

CompactMove toCompact(const Move& move);
Move toMove(CompactMove move);

// Enough room for the pseudo-legal moves of any placement (27 targets for each of 64 men at most).
class MoveList {
public:
    static constexpr std::size_t capacity = 64 * 27;

    void push(CompactMove move) { m_moves[m_size++] = move; }
    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    void clear() { m_size = 0; }
    void truncate(std::size_t size) { m_size = size; }
    CompactMove& operator[](std::size_t index) { return m_moves[index]; }
    const CompactMove& operator[](std::size_t index) const { return m_moves[index]; }
    const CompactMove* begin() const { return m_moves.data(); }
    const CompactMove* end() const { return m_moves.data() + m_size; }

private:
    std::array<CompactMove, capacity> m_moves;
    std::size_t m_size = 0;
};

struct Position {
    std::array<Cell, 64> cells{};
    PieceColor turn = PieceColor::white;
    CastlingRights castling;
    // Square index of the en-passant target, or -1.
    std::int8_t enPassant = -1;
    std::int64_t halfmoveClock = 0;
    std::int64_t fullmoveNumber = 1;

    bool operator==(const Position&) const = default;
};

// Whether any man of colour `by` attacks the square (its own occupant does not matter).
bool isSquareAttacked(const Position& position, int square, PieceColor by);
// The first square in index order holding a king of the colour, or -1.
int findKing(const Position& position, PieceColor color);
// That colour has a king and it is attacked by the other colour.
bool isKingInCheck(const Position& position, PieceColor color);

// The raw move maker: no legality check; trusts its input.
void applyInternal(Position& position, CompactMove move);

// The legal moves of the side to move, in generation order (origin index, then generator order).
void generateLegalMoves(const Position& position, MoveList& moves);
bool hasLegalMove(const Position& position);

// The position a FEN describes, with every validation of the FEN reader; throws
// DomainError("Brontil", 1..13, message) at the first rule it breaks.
Position positionFromFen(std::string_view text);
// The two halves of that reader. readFenFields reads the six fields as text (codes 1 to 9) and
// gives a placement that may still be impossible, as an editor holds one while it is being set
// up; checkPosition then judges it as a whole (codes 10 to 13).
Position readFenFields(std::string_view text);
void checkPosition(const Position& position);

// Why a placement cannot arise in a game, in the order the reader examines it (its code 13).
enum class Unreachable { pawnOnFirstOrLastRank, tooManyPawns, sideNotToMoveInCheck };
std::optional<Unreachable> whyUnreachable(const Position& position);

// FEN of the position, and its repetition key (the first four FEN fields, with the en-passant
// target kept only when the side to move can really take en passant).
std::string fen(const Position& position);
std::string repetitionKey(const Position& position);

// SAN of a legal move, given the position's legal moves for disambiguation.
std::string standardAlgebraicNotation(const Position& position, CompactMove move,
                                      const MoveList& legalMoves);

// Leaf nodes of the legal move tree of the given depth (depth 0 counts the position itself).
std::int64_t perft(const Position& position, int depth);

} // namespace position
} // namespace velkor

#pragma once

#include "CastlingRights.h"
#include "PieceColor.h"
#include "PieceType.h"
#include "Position.h"
#include "Square.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace velkor {

// One man as an editor places it: a kind and a colour, without the identity a game gives it.
struct SetupMan {
    PieceType type;
    PieceColor color;

    constexpr bool operator==(const SetupMan&) const = default;
};

// Why the position being set up cannot be accepted: the FEN reader's code and message, and for
// its code 13 which of the reasons behind it applies.
struct SetupProblem {
    int code = 0;
    std::string message;
    std::optional<position::Unreachable> unreachable;
};

// A position being set up by hand. Any placement may stand here, also one no game could reach,
// because a person builds it one man at a time; whether it may be played is judged by the FEN
// reader on its FEN (problem()), so the editor and every other FEN consumer agree.
class SetupPosition {
public:
    // The standard start position.
    SetupPosition();
    // The position of a FEN whose six fields read as text; an impossible placement is kept for
    // editing. Throws the reader's DomainError (codes 1 to 9) for unreadable text.
    static SetupPosition fromFen(std::string_view fen);

    std::optional<SetupMan> manAt(Square square) const;
    // Puts a man on the square, replacing what stood there.
    void put(Square square, SetupMan man);
    void remove(Square square);
    // Carries the man from one square to another, replacing what stood there; nothing happens
    // when `from` is empty or the same square.
    void move(Square from, Square to);
    // An empty board: no men, no castling rights, no en-passant square; the rest stays.
    void clear();
    // The standard start position.
    void reset();

    PieceColor turn() const { return m_position.turn; }
    // The en-passant square is dropped: it belongs to the advance of the side that moved last.
    void setTurn(PieceColor turn);
    CastlingRights castlingRights() const { return m_position.castling; }
    void setCastlingRights(CastlingRights rights) { m_position.castling = rights; }
    // The en-passant square is named by its file; its rank follows from the side to move.
    std::optional<int> enPassantFile() const;
    std::optional<Square> enPassantSquare() const;
    void setEnPassantFile(std::optional<int> file);
    std::int64_t halfmoveClock() const { return m_position.halfmoveClock; }
    std::int64_t fullmoveNumber() const { return m_position.fullmoveNumber; }
    // Out-of-range counters are brought to the nearest allowed value (0 and 1).
    void setHalfmoveClock(std::int64_t clock);
    void setFullmoveNumber(std::int64_t number);

    std::string fen() const;
    // None when the FEN reader accepts the position, otherwise its first objection.
    std::optional<SetupProblem> problem() const;

    bool operator==(const SetupPosition&) const = default;

private:
    position::Position m_position;
};

} // namespace velkor

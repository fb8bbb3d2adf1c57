#pragma once

#include "chess/ChessBoard.h"
#include "chess/Move.h"
#include "chess/PieceType.h"
#include "chess/Square.h"

#include <optional>
#include <vector>

namespace velkor {

// A pawn move that waits for the user's choice of piece.
struct PendingPromotion {
    Square from;
    Square to;

    bool operator==(const PendingPromotion&) const = default;
};

// What the user's clicks on the board have picked so far: the selected piece with the
// destinations of its legal moves, and a promotion waiting for its piece. Turns each click, or
// each press and release of the mouse button when a man is dragged, into a new selection or a
// move, judged against the board it is given; it never changes the board. Whether clicks are
// accepted at all (turn, pause, game over) is the caller's rule.
class BoardClicks {
public:
    std::optional<Square> selectedSquare() const { return m_selectedSquare; }
    // Destinations of the selected piece's legal moves in generation order (a promotion square
    // once per promotion piece).
    const std::vector<Square>& legalDestinations() const { return m_legalDestinations; }
    std::optional<PendingPromotion> pendingPromotion() const { return m_pendingPromotion; }

    // A click on `square` of `board`: picks up a piece of the side to move, puts it down again,
    // switches to another own piece, drops the selection on a square it cannot reach, or opens
    // the promotion choice. Returns the move to play when the click completes one that needs no
    // choice, and then changes nothing: the selection stays until clearSelection().
    std::optional<Move> click(const ChessBoard& board, Square square);

    // The button pressed on `square`: the same as a click, except on the selected man, whose
    // fate waits for the release (put down by a click, or dragged away). A press that picks up
    // a man (or presses on the one picked up) makes it the grabbed man until the release.
    std::optional<Move> press(const ChessBoard& board, Square square);
    // The button released over `square`, or off the board (none). The grabbed man dropped on a
    // legal destination plays like a click there (a promotion opens its choice); dropped on its
    // own square it stays picked up, unless it already was before the press (then it is put
    // down, as by a click); dropped anywhere else, or off the board, it goes back and stays
    // picked up.
    std::optional<Move> release(const ChessBoard& board, std::optional<Square> square);
    // The man held by a pressed button, which a view may draw under the pointer.
    std::optional<Square> grabbedSquare() const {
        return m_grab ? std::optional<Square>(m_grab->square) : std::nullopt;
    }

    // The move of the pending promotion with `pieceType`; none without a pending promotion.
    std::optional<Move> promotionMove(PieceType pieceType) const;

    void clearSelection();
    void clearPromotion() { m_pendingPromotion.reset(); }
    // Drops the promotion choice and the selection.
    void clear();

    bool operator==(const BoardClicks&) const = default;

private:
    void select(const ChessBoard& board, Square square);

    std::optional<Square> m_selectedSquare;
    std::vector<Square> m_legalDestinations;
    std::optional<PendingPromotion> m_pendingPromotion;
    struct Grab {
        Square square;
        // Whether the man was picked up before the press.
        bool wasSelected = false;

        bool operator==(const Grab&) const = default;
    };
    std::optional<Grab> m_grab;
};

} // namespace velkor

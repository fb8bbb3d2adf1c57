#pragma once

#include "GameManager.h"

namespace velkor {

// How the manager plays a move and ends a game, kept apart from the rest of the session. Every
// function works on the manager it is given; the state stays the manager's.
struct GameManager::Moves {
    // Publishes what changed in the clicks' state since `before`.
    static void publishClicks(GameManager& gm, const BoardClicks& before);
    // Forgets the selection, the inspected position and any pending promotion.
    static void resetNavigation(GameManager& gm);
    // Closes an open promotion choice and the selection with it.
    static void dropPendingPromotion(GameManager& gm);
    static void clearSelection(GameManager& gm);
    // The rule for the user's moves: only on their turn in a game being played, on the live
    // position.
    static bool acceptsUserMove(const GameManager& gm);
    // Plays a move of the side to move, a person's or an engine's: clock snapshot, board, sound,
    // grading of engine games, game end, clock switch and the next turn. `engineAnswerArrival`
    // is when an engine's answer arrived (it is charged up to then); none for a person's move.
    // False, with nothing changed, when the board refuses the move.
    static bool applyMove(GameManager& gm, const Move& move,
                          std::optional<double> engineAnswerArrival);
    static void playMoveSound(GameManager& gm, bool isCapture);
    static void checkGameEnd(GameManager& gm);
    // The clock's time-out for `timedOutColor`, run after the clock's tick has returned.
    static void handleTimeout(GameManager& gm, PieceColor timedOutColor);
    // Records the end, stops the clock, plays the end sound, tells the series and lets the
    // machine sleep again.
    static void endGame(GameManager& gm, const GameEndReason& reason);
    // The capture flag of a move before it is played: a piece on the destination or a pawn
    // changing file (en passant).
    static bool isCaptureMove(const GameManager& gm, const Move& move);
    static void notifyGameEnded(GameManager& gm, const GameEndReason& reason);
};

} // namespace velkor

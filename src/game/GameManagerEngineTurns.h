#pragma once

#include "EngineSeat.h"
#include "GameManager.h"
#include "platform/Cancellation.h"
#include "uci/OneShotAnswer.h"
#include "uci/UCIEngineProcess.h"

#include <chrono>

namespace velkor {

// The manager's engine players: a seat per colour, their start-up before the clock runs and each
// engine turn. They play the manager's game, so they read and change its board, clock and
// published fields directly.
struct GameManager::EngineTurns {
    explicit EngineTurns(GameManager& manager) : gm(manager) {}

    GameManager& gm;
    EngineSeat whiteSeat;
    EngineSeat blackSeat;
    // Cancel the running engine turn and the engines' start-up (also the start of play of a
    // game between two people).
    std::optional<platform::CancellationSource> moveTask;
    std::optional<platform::CancellationSource> startTask;
    // Wakes the engine turn from its pause: the timer's, or a cancellation's at once.
    std::optional<uci::OneShot<bool>> turnPauseEnd;
    // Take effect for the engines made from now on.
    EngineSessionOptions options;
    // The start of play found the game paused; resuming starts the clock instead.
    bool clockStartDeferred = false;

    EngineSeat& seatOf(PieceColor color) {
        return color == PieceColor::white ? whiteSeat : blackSeat;
    }
    // Seats engines of the selections for the colours the mode gives engines; White's first. A
    // colour without a selection is skipped.
    std::vector<UCIEngineProcess*> setupEnginesForGame();
    // Starts the engines one after the other, then (when `resumePlay`) the clock for the side to
    // move and its engine's turn. Without the engines the mode needs, the game waits paused.
    void launchEngines(const std::vector<UCIEngineProcess*>& engines, bool resumePlay);
    // The engines' start-up and an engine's turn run as coroutines on the manager. Every wait in
    // them ends when their token is cancelled, and nothing of the manager is touched after a
    // cancelled wait: whatever replaces the engines, ends the turn or the manager cancels first.
    QCoro::Task<> startEngines(std::vector<UCIEngineProcess*> engines,
                               platform::CancellationToken token, bool resumePlay);
    // The engines are ready: play may begin.
    void finishEngineStart(bool resumePlay);
    // Asks the engine of the side to move, if one plays it, for its move.
    void triggerEngineIfNeeded();
    // One turn of the engine of `color`: the pause, the search of the thinking mode, then its
    // answer judged by its arrival time and the rules, and played when it passes.
    QCoro::Task<> playEngineTurn(PieceColor color, platform::CancellationToken token,
                                 std::chrono::milliseconds pause);
    // The side of `failed` loses by resignation with `message`; both engines are ended and their
    // tasks cancelled.
    void handleEngineFailure(std::optional<PieceColor> failed, const QString& message);
    // After an undo: fresh engines for the position; the clock runs on once they are ready, and
    // only if it ran before.
    void restartEnginesForCurrentPosition();
    // Cancels the engine tasks and ends and lets go of both engines.
    void discardEngines();
    // Cancels the engine turn under way; its pause ends at once.
    void cancelEngineMoveTask();
    void cancelEngineStartTask();
    // Stops every engine's search; their answers arrive and are only logged.
    void stopEngines();
    // Whether the mode gives `color` to an engine.
    bool isEnginePlaying(PieceColor color) const;
    // The engine playing `color`, if any.
    UCIEngineProcess* engineProcess(PieceColor color) const;
    // The registry's choice for `color`.
    const std::optional<EngineConfiguration>& selectedEngine(PieceColor color) const;
    // The running engine of `color` gets its seat's strength at once; while it thinks, its card
    // too.
    void applyStrengthToEngine(PieceColor color);
    // The colour `process` plays in this game; none for a replaced engine.
    std::optional<PieceColor> colorOf(const UCIEngineProcess* process) const;
    // The display name of the engine playing `color`, when one does.
    std::optional<QString> engineName(PieceColor color) const;
};

} // namespace velkor

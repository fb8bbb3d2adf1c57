#pragma once

#include "GameManager.h"
#include "uci/UCIEngineProcess.h"

#include <chrono>

namespace velkor {

// The manager's engine players, kept apart from the rest of the session. Every function works on
// the manager it is given; the state stays the manager's.
struct GameManager::EngineTurns {
    static EngineSeat& seatOf(GameManager& gm, PieceColor color) {
        return color == PieceColor::white ? gm.m_whiteSeat : gm.m_blackSeat;
    }
    // Seats engines of the selections for the colours the mode gives engines; White's first. A
    // colour without a selection is skipped.
    static std::vector<UCIEngineProcess*> setupEnginesForGame(GameManager& gm);
    // Starts the engines one after the other, then (when `resumePlay`) the clock for the side to
    // move and its engine's turn. Without the engines the mode needs, the game waits paused.
    static void launchEngines(GameManager& gm, const std::vector<UCIEngineProcess*>& engines,
                              bool resumePlay);
    // The engines' start-up and an engine's turn run as coroutines on the manager. Every wait in
    // them ends when their token is cancelled, and nothing of the manager is touched after a
    // cancelled wait: whatever replaces the engines, ends the turn or the manager cancels first.
    static QCoro::Task<> startEngines(GameManager& gm, std::vector<UCIEngineProcess*> engines,
                                      platform::CancellationToken token, bool resumePlay);
    // The engines are ready: play may begin.
    static void finishEngineStart(GameManager& gm, bool resumePlay);
    // Asks the engine of the side to move, if one plays it, for its move.
    static void triggerEngineIfNeeded(GameManager& gm);
    // One turn of the engine of `color`: the pause, the search of the thinking mode, then its
    // answer judged by its arrival time and the rules, and played when it passes.
    static QCoro::Task<> playEngineTurn(GameManager& gm, PieceColor color,
                                        platform::CancellationToken token,
                                        std::chrono::milliseconds pause);
    // The side of `failed` loses by resignation with `message`; both engines are ended and their
    // tasks cancelled.
    static void handleEngineFailure(GameManager& gm, std::optional<PieceColor> failed,
                                    const QString& message);
    // After an undo: fresh engines for the position; the clock runs on once they are ready, and
    // only if it ran before.
    static void restartEnginesForCurrentPosition(GameManager& gm);
    // Cancels the engine tasks and ends and lets go of both engines.
    static void discardEngines(GameManager& gm);
    // Cancels the engine turn under way; its pause ends at once.
    static void cancelEngineMoveTask(GameManager& gm);
    static void cancelEngineStartTask(GameManager& gm);
    // Stops every engine's search; their answers arrive and are only logged.
    static void stopEngines(GameManager& gm);
    // Whether the mode gives `color` to an engine.
    static bool isEnginePlaying(const GameManager& gm, PieceColor color);
    // The engine playing `color`, if any.
    static UCIEngineProcess* engineProcess(const GameManager& gm, PieceColor color);
    // The registry's choice for `color`.
    static const std::optional<EngineConfiguration>& selectedEngine(const GameManager& gm,
                                                                    PieceColor color);
    // The running engine of `color` gets its seat's strength at once; while it thinks, its card
    // too.
    static void applyStrengthToEngine(GameManager& gm, PieceColor color);
    // The colour `process` plays in this game; none for a replaced engine.
    static std::optional<PieceColor> colorOf(const GameManager& gm,
                                             const UCIEngineProcess* process);
    // The display name of the engine playing `color`, when one does.
    static std::optional<QString> engineName(const GameManager& gm, PieceColor color);
};

} // namespace velkor

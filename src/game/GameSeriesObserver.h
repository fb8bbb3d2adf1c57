#pragma once

#include "chess/ChessBoard.h"
#include "chess/GameEndReason.h"

#include <QString>
#include <optional>

namespace velkor {

// The hook through which a series of games (run by a layer above the game session) learns that
// a game ended. The game manager asks isAutomatchActive() and, when it answers true, hands over
// each ended game exactly once.
class GameSeriesObserver {
public:
    virtual ~GameSeriesObserver() = default;

    // Whether a series is running and wants game ends reported.
    virtual bool isAutomatchActive() const = 0;

    // One game of the series ended: why, on which board, its PGN text and the message of the
    // engine failure that ended it, if one did.
    virtual void handleGameEnd(const GameEndReason& reason, const ChessBoard& board,
                               const QString& pgn, const std::optional<QString>& engineFailure) = 0;
};

} // namespace velkor

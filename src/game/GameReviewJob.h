#pragma once

#include "chess/ChessBoard.h"
#include "chess/GameReviewReport.h"
#include "platform/Cancellation.h"
#include "uci/EngineConfiguration.h"
#include "uci/UCIEngineProcess.h"
#include "uci/UciProtocol.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>
#include <optional>
#include <qcoro/qcorotask.h>
#include <vector>

namespace velkor {

// How long the engine looks at each position of a reviewed game: a fixed time, a depth or a
// node count (one of them; the time when none is given).
struct ReviewLimits {
    static constexpr std::int64_t defaultMoveTimeMs = 500;

    std::optional<std::int64_t> moveTimeMs{};
    std::optional<std::int64_t> depth{};
    std::optional<std::int64_t> nodes{};

    uci::SearchLimits searchLimits() const;
};

// Reviews one game with one engine: every position is searched once, from the last to the
// first so that what the engine learnt about later positions helps with earlier ones, without
// telling it of a new game in between. Lives on the main thread; the window stays responsive
// while it runs, and stop() ends it within a second keeping the positions already scored.
class GameReviewJob : public QObject {
    Q_OBJECT

public:
    // An engine that has not answered "uciok" within this many seconds fails the review.
    static constexpr double handshakeTimeoutSeconds = 5.0;

    GameReviewJob(EngineConfiguration engine, ReviewLimits limits,
                  EngineProcessEnvironment environment = {}, QObject* parent = nullptr);
    ~GameReviewJob() override;
    GameReviewJob(const GameReviewJob&) = delete;
    GameReviewJob& operator=(const GameReviewJob&) = delete;

    // Starts the engine and scores every position of `game` (its start and the position after
    // each move). True when every position was scored; false when stopped or when the engine
    // failed (errorMessage() says how). What was scored stays in positions() either way.
    QCoro::Task<bool> run(ChessBoard game);

    // Ends a running review: the search under way is dropped and the engine ends.
    void stop();

    bool isRunning() const { return m_isRunning; }
    bool wasStopped() const { return m_stopped; }
    // Why the review failed; empty when it did not.
    const QString& errorMessage() const { return m_errorMessage; }
    const ChessBoard& game() const { return m_game; }
    // Index 0 is the start, index i the position after move i; unscored positions are empty.
    const std::vector<std::optional<review::PositionReview>>& positions() const {
        return m_positions;
    }
    // The report of what has been scored so far.
    review::GameReviewReport report() const { return review::buildReport(m_game, m_positions); }

signals:
    // After each position: how many of the game's positions are scored.
    void progressChanged(int scoredPositions, int totalPositions);
    void isRunningChanged(bool isRunning);

private:
    // The score of the position at `index` from the engine's last report, or none.
    std::optional<review::PositionReview> scoreFromEngine(std::size_t index) const;
    void fail(QString message);
    void setIsRunning(bool value);

    EngineConfiguration m_engine;
    ReviewLimits m_limits;
    EngineProcessEnvironment m_environment;
    ChessBoard m_game;
    std::vector<ChessBoard> m_boards;
    std::vector<std::optional<review::PositionReview>> m_positions;
    std::unique_ptr<UCIEngineProcess> m_process;
    bool m_isRunning = false;
    bool m_stopped = false;
    QString m_errorMessage;
    platform::CancellationSource m_lifetime;
};

} // namespace velkor

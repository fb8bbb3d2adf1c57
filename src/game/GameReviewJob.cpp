#include "GameReviewJob.h"

#include "platform/Published.h"

namespace velkor {

uci::SearchLimits ReviewLimits::searchLimits() const {
    uci::SearchLimits limits;
    if (depth) {
        limits.depth = depth;
    } else if (nodes) {
        limits.nodes = nodes;
    } else {
        limits.movetime = moveTimeMs.value_or(defaultMoveTimeMs);
    }
    return limits;
}

GameReviewJob::GameReviewJob(EngineConfiguration engine, ReviewLimits limits,
                             EngineProcessEnvironment environment, QObject* parent)
    : QObject(parent), m_engine(std::move(engine)), m_limits(limits), m_environment(environment) {
    // One line is all a review reads, and a single line searches deepest in the time given.
    m_engine.multiPV = 1;
    m_engine.limitElo = false;
    m_engine.skillLevel = 20;
}

GameReviewJob::~GameReviewJob() {
    m_lifetime.cancel();
}

QCoro::Task<bool> GameReviewJob::run(ChessBoard game) {
    m_game = std::move(game);
    m_boards.clear();
    m_boards.emplace_back(m_game.initialFEN());
    for (const MoveRecord& record : m_game.history()) {
        ChessBoard next = m_boards.back();
        next.play(record.move);
        m_boards.push_back(std::move(next));
    }
    m_positions.assign(m_boards.size(), std::nullopt);
    m_stopped = false;
    m_errorMessage.clear();
    setIsRunning(true);
    const int total = static_cast<int>(m_boards.size());
    const platform::CancellationToken alive = m_lifetime.token();

    // Positions scored by the rules need no engine; the others are searched below.
    int scored = 0;
    for (std::size_t index = 0; index < m_boards.size(); ++index) {
        if (const auto score = review::scoreWithoutSearch(m_boards[index], index == 0)) {
            m_positions[index] = review::PositionReview{*score, {}};
            ++scored;
        }
    }
    emit progressChanged(scored, total);
    if (scored == total) {
        setIsRunning(false);
        co_return true;
    }

    m_process =
        std::make_unique<UCIEngineProcess>(m_engine, handshakeTimeoutSeconds, m_environment);
    const bool started = co_await m_process->start();
    if (alive.isCancelled()) {
        co_return false;
    }
    if (m_stopped) {
        setIsRunning(false);
        co_return false;
    }
    if (!started) {
        fail(QStringLiteral("the engine %1 did not complete the UCI handshake")
                 .arg(m_engine.executablePath));
        co_return false;
    }
    // One new game for the whole review, none between its positions, so the hash carries over.
    const bool ready = co_await m_process->newGame();
    if (alive.isCancelled()) {
        co_return false;
    }
    if (!ready && !m_stopped) {
        fail(QStringLiteral("the engine %1 stopped answering").arg(m_engine.executablePath));
        co_return false;
    }

    std::vector<std::string> moves;
    for (const MoveRecord& record : m_game.history()) {
        moves.push_back(record.move.uciString());
    }
    const uci::SearchLimits limits = m_limits.searchLimits();
    for (std::size_t index = m_boards.size(); index-- > 0 && !m_stopped;) {
        if (m_positions[index]) {
            continue;
        }
        m_process->sendPosition(
            m_game.initialFEN(),
            std::vector<std::string>(moves.begin(),
                                     moves.begin() + static_cast<std::ptrdiff_t>(index)));
        const SearchOutcome outcome = co_await m_process->search(limits);
        if (alive.isCancelled()) {
            co_return false;
        }
        if (m_stopped) {
            break;
        }
        if (!outcome) {
            fail(QStringLiteral("the engine %1 ended during the review")
                     .arg(m_engine.executablePath));
            co_return false;
        }
        std::optional<review::PositionReview> position = scoreFromEngine(index);
        if (!position) {
            fail(QStringLiteral("the engine %1 gave no score for the position after ply %2")
                     .arg(m_engine.executablePath)
                     .arg(index));
            co_return false;
        }
        m_positions[index] = std::move(position);
        emit progressChanged(++scored, total);
    }
    m_process.reset();
    setIsRunning(false);
    co_return !m_stopped;
}

void GameReviewJob::stop() {
    if (!m_isRunning || m_stopped) {
        return;
    }
    m_stopped = true;
    if (m_process) {
        // Ending the engine completes whatever is awaited of it (the handshake or a search) at
        // once, so a stop never waits for the engine's answer.
        m_process->terminate();
    }
}

std::optional<review::PositionReview> GameReviewJob::scoreFromEngine(std::size_t index) const {
    const EngineEvaluation& evaluation = m_process->currentEvaluation();
    const PieceColor turn = m_boards[index].turn();
    const std::int64_t sign = turn == PieceColor::white ? 1 : -1;
    review::PositionReview position;
    if (evaluation.mateIn) {
        // A mate in 0 would be a mated side to move; such positions are never searched.
        position.score = *evaluation.mateIn == 0
                             ? review::ReviewScore::checkmatedBy(opponent(turn))
                             : review::ReviewScore::mateIn(sign * *evaluation.mateIn);
    } else if (evaluation.scoreCp) {
        position.score = review::ReviewScore::centipawns(sign * *evaluation.scoreCp);
    } else {
        return std::nullopt;
    }
    position.bestLine = evaluation.pv;
    return position;
}

void GameReviewJob::fail(QString message) {
    m_errorMessage = std::move(message);
    m_process.reset();
    setIsRunning(false);
}

void GameReviewJob::setIsRunning(bool value) {
    platform::publish(this, m_isRunning, value, &GameReviewJob::isRunningChanged);
}

} // namespace velkor

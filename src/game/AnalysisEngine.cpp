#include "AnalysisEngine.h"

#include "chess/Move.h"
#include "platform/Published.h"
#include "uci/UciProtocol.h"

#include <QStringList>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace velkor {

namespace {

// Lines longer than this only widen the panel; the engine's full line stays in `pv` up to here.
constexpr std::size_t shownMoves = 12;

// Options the analysis sets itself; a stored value of the same name would override ours at start.
void dropStoredOption(EngineConfiguration& config, const QString& name) {
    for (auto it = config.optionValues.begin(); it != config.optionValues.end();) {
        it = it.key().compare(name, Qt::CaseInsensitive) == 0 ? config.optionValues.erase(it)
                                                              : std::next(it);
    }
}

AnalysisLine readableLine(const ChessBoard& position, const EngineEvaluation& evaluation) {
    AnalysisLine line;
    line.multiPV = evaluation.multiPV;
    line.depth = evaluation.depth;
    line.score = evaluation.whiteScore(position.turn());
    line.nps = evaluation.nps;
    // Only the legal start of the line is kept: an engine's line is untrusted text, and a move
    // that does not fit the position must not reach an arrow or the analysis board.
    ChessBoard board = position;
    for (const std::string& text : evaluation.pv) {
        const std::optional<Move> move = Move::fromUci(text);
        const std::optional<std::string> san = move ? board.san(*move) : std::nullopt;
        if (!san || !board.play(*move)) {
            break;
        }
        line.pv.push_back(move->uciString());
        if (line.moveWords.size() < shownMoves) {
            // The number stands before White's moves and before the first move of a line
            // that begins with Black's.
            const PieceColor mover = opponent(board.turn());
            const std::int64_t number =
                board.fullmoveNumber() - (mover == PieceColor::black ? 1 : 0);
            QString word = mover == PieceColor::white
                               ? QString::number(number) + QStringLiteral(". ")
                           : line.moveWords.empty() ? QString::number(number) + QStringLiteral("… ")
                                                    : QString();
            line.moveWords.push_back(word + QString::fromStdString(*san));
        }
    }
    QStringList words(line.moveWords.begin(), line.moveWords.end());
    if (line.pv.size() > line.moveWords.size()) {
        words.append(QStringLiteral("…"));
    }
    line.san = words.join(QLatin1Char(' '));
    return line;
}

} // namespace

QString analysisScoreText(const WhiteScore& score) {
    if (score.matingSide) {
        return (*score.matingSide == PieceColor::white ? QStringLiteral("#")
                                                       : QStringLiteral("#-")) +
               QString::number(score.mateMoves);
    }
    return QString::fromStdString(score.formatted());
}

std::int64_t analysisTargetDepth(std::int64_t threads, std::int64_t lines) {
    return 22 + std::min<std::int64_t>(std::max<std::int64_t>(threads - lines, 0), 6);
}

std::vector<AnalysisArrow> analysisArrows(const std::vector<AnalysisLine>& lines,
                                          PieceColor mover) {
    // Two pawns: beyond this a move is a mistake, not an alternative.
    constexpr double farWorse = 200.0;
    std::vector<AnalysisArrow> arrows;
    if (lines.empty() || !lines.front().score || lines.front().pv.empty()) {
        return arrows;
    }
    const double sign = mover == PieceColor::white ? 1.0 : -1.0;
    const double best = sign * lines.front().score->cappedCentipawns();
    for (const AnalysisLine& line : lines) {
        if (!line.score || line.pv.empty()) {
            continue;
        }
        const double loss = std::max(0.0, best - sign * line.score->cappedCentipawns());
        if (loss >= farWorse) {
            continue;
        }
        const std::optional<Move> move = Move::fromUci(line.pv.front());
        if (!move || std::any_of(arrows.begin(), arrows.end(), [&](const AnalysisArrow& arrow) {
                return arrow.from == move->from && arrow.to == move->to;
            })) {
            continue;
        }
        arrows.push_back(AnalysisArrow{move->from, move->to,
                                       arrows.empty() ? 1.0 : 0.8 * (1.0 - loss / farWorse)});
    }
    return arrows;
}

AnalysisPosition analysisPosition(const ChessBoard& board) {
    const auto& history = board.history();
    const auto size = static_cast<std::int64_t>(history.size());
    // The last halfmove-clock moves were all reversible; the one before them was not.
    const std::int64_t firstReversible = std::max<std::int64_t>(size - board.halfmoveClock(), 0);
    AnalysisPosition result;
    result.fen = firstReversible == 0
                     ? board.initialFEN()
                     : history[static_cast<std::size_t>(firstReversible - 1)].fenAfter;
    for (std::int64_t index = firstReversible; index < size; ++index) {
        result.moves.push_back(history[static_cast<std::size_t>(index)].move.uciString());
    }
    return result;
}

AnalysisEngine::AnalysisEngine(EngineSessionOptions options, QObject* parent)
    : QObject(parent), m_options(options) {}

AnalysisEngine::~AnalysisEngine() {
    m_startCancel.cancel();
    m_receiver.reset();
    if (m_process) {
        // "quit" first, so a well-behaved engine leaves on its own before any signal.
        m_process->terminate();
    }
    m_process.reset();
    for (const QPointer<UCIEngineProcess>& retired : m_retired) {
        delete retired.data();
    }
}

void AnalysisEngine::setActive(bool active) {
    if (platform::publish(this, m_active, active, &AnalysisEngine::isActiveChanged)) {
        if (active) {
            setFailure(std::nullopt);
        }
        reconsider();
    }
}

void AnalysisEngine::follow(const ChessBoard& board) {
    if (analysisPosition(board) == analysisPosition(m_position) &&
        board.fen() == m_position.fen()) {
        return;
    }
    m_position = board;
    emit positionChanged(m_position);
    m_deeperKey.reset();
    const auto cached = m_cache.find(cacheKey());
    setReachedTarget(cached != m_cache.end());
    setLines(cached != m_cache.end() ? cached->second.lines : std::vector<AnalysisLine>{});
    reconsider();
}

void AnalysisEngine::setEngine(const std::optional<EngineConfiguration>& engine) {
    if (!platform::publish(this, m_engine, engine, &AnalysisEngine::engineChanged)) {
        return;
    }
    // What another engine found says nothing about this one's view.
    m_cache.clear();
    setReachedTarget(false);
    setLines({});
    setFailure(std::nullopt);
    endProcess();
    reconsider();
}

void AnalysisEngine::setLineCount(std::int64_t lines) {
    if (platform::publish(this, m_lineCount, std::clamp<std::int64_t>(lines, 1, maxLines),
                          &AnalysisEngine::lineCountChanged)) {
        m_optionsPending = true;
        const auto cached = m_cache.find(cacheKey());
        setReachedTarget(cached != m_cache.end());
        if (cached != m_cache.end()) {
            setLines(cached->second.lines);
        }
        reconsider();
    }
}

void AnalysisEngine::setThreads(std::int64_t threads) {
    if (platform::publish(this, m_threads, std::clamp<std::int64_t>(threads, 1, 1024),
                          &AnalysisEngine::threadsChanged)) {
        m_optionsPending = true;
        reconsider();
    }
}

void AnalysisEngine::setHashMB(std::int64_t hashMB) {
    if (platform::publish(this, m_hashMB, std::clamp<std::int64_t>(hashMB, 1, 1 << 20),
                          &AnalysisEngine::hashMBChanged)) {
        m_optionsPending = true;
        reconsider();
    }
}

void AnalysisEngine::setInfinite(bool infinite) {
    if (platform::publish(this, m_infinite, infinite, &AnalysisEngine::isInfiniteChanged)) {
        if (infinite) {
            setReachedTarget(false);
        }
        reconsider();
    }
}

void AnalysisEngine::goDeeper() {
    m_deeperKey = cacheKey();
    setReachedTarget(false);
    reconsider();
}

void AnalysisEngine::shutDown() {
    setActive(false);
    endProcess();
}

std::string AnalysisEngine::cacheKey() const {
    return m_position.fen() + '|' + std::to_string(m_lineCount);
}

bool AnalysisEngine::searchIsCurrent() const {
    return !m_optionsPending && m_searchedLines == m_lineCount && m_searchedPosition &&
           *m_searchedPosition == analysisPosition(m_position);
}

void AnalysisEngine::reconsider() {
    switch (m_phase) {
    case Phase::starting:
    case Phase::stopping:
        // Reconsidered once the engine is ready, or once its last search has answered.
        return;
    case Phase::off:
        if (m_active && m_engine && !m_failure) {
            startProcess();
        }
        return;
    case Phase::searching:
        if (!m_active || !searchIsCurrent()) {
            stopSearch();
        }
        return;
    case Phase::idle:
        break;
    }
    if (!m_active) {
        return;
    }
    if (m_optionsPending) {
        sendPendingOptions();
    }
    const std::string key = cacheKey();
    const bool deeper = m_deeperKey == key;
    if (!deeper && !m_infinite && (m_cache.contains(key) || m_reachedTarget)) {
        return;
    }
    // A finished game's last position has nothing to search; engines answer it in their own ways.
    if (m_position.generateLegalMoves().empty()) {
        setLines({});
        return;
    }
    if (m_searchedPosition && searchIsCurrent() && !deeper && !m_infinite) {
        // This very search already ended by itself (the engine gave up the infinite search).
        return;
    }
    beginSearch();
}

void AnalysisEngine::startProcess() {
    EngineConfiguration config = *m_engine;
    // The analysis judges at full strength, whatever the engine plays at in games.
    config.limitElo = false;
    config.multiPV = m_lineCount;
    config.threads = m_threads;
    config.hashMB = m_hashMB;
    dropStoredOption(config, QStringLiteral("Threads"));
    dropStoredOption(config, QStringLiteral("Hash"));
    m_process = std::make_unique<UCIEngineProcess>(
        std::move(config), m_options.handshakeTimeoutSeconds,
        EngineProcessEnvironment{platform::systemUptime, m_options.killGrace});
    m_receiver = std::make_unique<QObject>();
    // Queued, so that the analysis never acts on the engine from inside its own delivery, and so
    // that reports and the end of a search reach us in the order the engine sent them.
    connect(
        m_process.get(), &UCIEngineProcess::evaluationUpdated, m_receiver.get(),
        [this](const EngineEvaluation&, const std::vector<EngineEvaluation>& lines) {
            handleReport(lines);
        },
        Qt::QueuedConnection);
    connect(
        m_process.get(), &UCIEngineProcess::isThinkingChanged, m_receiver.get(),
        [this](bool thinking) {
            if (!thinking) {
                handleSearchEnded();
            }
        },
        Qt::QueuedConnection);
    connect(
        m_process.get(), &UCIEngineProcess::terminatedUnexpectedly, m_receiver.get(),
        [this](const QString& message) { handleEngineDeath(message); }, Qt::QueuedConnection);
    m_optionsPending = false;
    m_searchedPosition.reset();
    setPhase(Phase::starting);
    m_startCancel = platform::CancellationSource();
    runStart(m_startCancel.token());
}

QCoro::Task<> AnalysisEngine::runStart(platform::CancellationToken token) {
    const bool started = co_await m_process->start();
    if (token.isCancelled()) {
        co_return;
    }
    if (!started) {
        QString reason = QStringLiteral("The analysis engine did not start.");
        if (m_process && !m_process->logLines().isEmpty()) {
            reason = m_process->logLines().constLast();
        }
        handleEngineDeath(reason);
        co_return;
    }
    setPhase(Phase::idle);
    reconsider();
}

void AnalysisEngine::sendPendingOptions() {
    m_optionsPending = false;
    if (!m_process) {
        return;
    }
    // MultiPV is ours, not a free option, so it goes out as the start sends it; 1 too, since a
    // smaller count than before must reach the engine.
    m_process->send(uci::setOptionCommand("MultiPV", std::to_string(m_lineCount)));
    m_process->setOptionValue(QStringLiteral("Threads"), QString::number(m_threads));
    m_process->setOptionValue(QStringLiteral("Hash"), QString::number(m_hashMB));
}

void AnalysisEngine::beginSearch() {
    const AnalysisPosition position = analysisPosition(m_position);
    m_searchedPosition = position;
    m_searchedLines = m_lineCount;
    m_process->sendPosition(position.fen, position.moves);
    setPhase(Phase::searching);
    // The answer is not awaited here: the end of the search is seen in the thinking state, which
    // also ends when the search is stopped.
    m_process->search(uci::SearchLimits{.infinite = true});
}

void AnalysisEngine::stopSearch() {
    setPhase(Phase::stopping);
    m_process->stop();
}

void AnalysisEngine::handleReport(const std::vector<EngineEvaluation>& reported) {
    // Reports that arrive while the search is being stopped belong to a position no longer
    // shown (or one already done); only the search under way speaks.
    if (m_phase != Phase::searching || !searchIsCurrent()) {
        return;
    }
    std::vector<AnalysisLine> lines;
    for (const EngineEvaluation& evaluation : reported) {
        if (evaluation.multiPV >= 1 && evaluation.multiPV <= m_searchedLines) {
            lines.push_back(readableLine(m_position, evaluation));
        }
    }
    if (lines.empty()) {
        return;
    }
    setLines(lines);
    const std::string key = cacheKey();
    if (m_infinite || m_deeperKey == key) {
        return;
    }
    const auto expected = std::min<std::size_t>(static_cast<std::size_t>(m_searchedLines),
                                                m_position.generateLegalMoves().size());
    const bool deepEnough =
        std::all_of(lines.begin(), lines.end(),
                    [this](const AnalysisLine& line) { return line.depth >= targetDepth(); });
    if (lines.size() >= expected && deepEnough) {
        m_cache[key] = CachedAnalysis{lines};
        setReachedTarget(true);
        stopSearch();
    }
}

void AnalysisEngine::handleSearchEnded() {
    if (m_phase == Phase::searching || m_phase == Phase::stopping) {
        setPhase(Phase::idle);
        reconsider();
    }
}

void AnalysisEngine::handleEngineDeath(const QString& message) {
    setFailure(message);
    endProcess();
    setActive(false);
}

void AnalysisEngine::endProcess() {
    m_startCancel.cancel();
    m_receiver.reset();
    if (m_process) {
        m_process->terminate();
        // Deleted once its child has surely ended, so this step never waits for an engine that
        // hangs (and nothing still on the stack of its own signal is pulled away).
        UCIEngineProcess* ended = m_process.release();
        std::erase_if(m_retired,
                      [](const QPointer<UCIEngineProcess>& old) { return old.isNull(); });
        m_retired.emplace_back(ended);
        QTimer::singleShot(m_options.killGrace + std::chrono::milliseconds(100), ended,
                           &QObject::deleteLater);
    }
    m_searchedPosition.reset();
    setPhase(Phase::off);
}

void AnalysisEngine::setPhase(Phase phase) {
    const bool wasSearching = isSearching();
    m_phase = phase;
    if (wasSearching != isSearching()) {
        emit isSearchingChanged(isSearching());
    }
}

void AnalysisEngine::setLines(std::vector<AnalysisLine> lines) {
    platform::publish(this, m_lines, std::move(lines), &AnalysisEngine::linesChanged);
}

void AnalysisEngine::setReachedTarget(bool reached) {
    platform::publish(this, m_reachedTarget, reached, &AnalysisEngine::reachedTargetChanged);
}

void AnalysisEngine::setFailure(const std::optional<QString>& failure) {
    platform::publish(this, m_failure, failure, &AnalysisEngine::failureChanged);
}

} // namespace velkor

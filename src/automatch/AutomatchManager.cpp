#include "AutomatchManager.h"

#include "AutomatchExports.h"
#include "GameOutcome.h"
#include "PersistedHistory.h"
#include "SeriesScore.h"
#include "platform/Published.h"
#include "platform/Settings.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <chrono>
#include <qcoro/qcorotimer.h>

namespace velkor {

namespace {

constexpr std::chrono::milliseconds countdownStep{200};
constexpr double countdownStepSeconds = 0.2;
// What is left of the countdown after repeated subtraction of 0.2 is not exactly zero; a
// leftover this small must not cost another step.
constexpr double countdownTolerance = 1e-9;

const QString enginesRequired = QStringLiteral("Two executable UCI engines are required.");
const QString invalidOpening = QStringLiteral("The opening suite contains an invalid FEN: ");
const QString decidedOpening =
    QStringLiteral("The opening suite contains a position that is already decided: ");

bool isPlayable(const EngineConfiguration& engine) {
    if (engine.isBuiltIn) {
        return true;
    }
    const QFileInfo file(engine.executablePath);
    return file.isFile() && file.isExecutable();
}

// A missing value counts as supporting the limit.
bool limitApplies(bool limitElo, const std::optional<EngineConfiguration>& engine) {
    return limitElo && (!engine || engine->supportsLimitStrength.value_or(true));
}

// Set in the database once the history stored by earlier versions has been dealt with.
const QString storedHistoryImported = QStringLiteral("storedHistoryImported");
// Set when no copy of that history could be written: its text then stays in the settings.
const QString storedHistoryUncopied = QStringLiteral("storedHistoryUncopied");

// Who played the series a history belongs to, from its first record: engine 1 is the one with
// White when whiteIsEngine1.
automatch::SeriesIdentity identityFromRecord(const AutomatchGameRecord& record) {
    automatch::SeriesIdentity engines;
    if (record.whiteIsEngine1) {
        engines = {record.whiteEngineName, record.whiteEngineElo, record.blackEngineName,
                   record.blackEngineElo};
    } else {
        engines = {record.blackEngineName, record.blackEngineElo, record.whiteEngineName,
                   record.whiteEngineElo};
    }
    return engines;
}

// Keeps the stored text, byte for byte, in a file beside the database before anything else happens
// to it; the copy's path, or none when it could not be written whole.
std::optional<QString> keepCopy(const QString& folder, const QByteArray& bytes) {
    const QString path =
        folder + QStringLiteral("/Brontil_AutomatchHistory_v1-") +
        QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd-HHmmss")) +
        QStringLiteral(".json");
    QSaveFile file(path);
    if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly)) {
        return std::nullopt;
    }
    // A short write must not be committed: the copy is whole or absent.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        file.cancelWriting();
        return std::nullopt;
    }
    if (!file.commit()) {
        return std::nullopt;
    }
    return path;
}

// A recorded game's score from its result and colours: engine 1's win, engine 2's, or a draw.
struct RecordedScore {
    std::int64_t engine1Wins = 0;
    std::int64_t engine2Wins = 0;
    std::int64_t draws = 0;

    void add(const AutomatchGameRecord& record) {
        if (record.result != QStringLiteral("1-0") && record.result != QStringLiteral("0-1")) {
            ++draws;
        } else if ((record.result == QStringLiteral("1-0")) == record.whiteIsEngine1) {
            ++engine1Wins;
        } else {
            ++engine2Wins;
        }
    }
};

RecordedScore scoreOf(const QList<AutomatchGameRecord>& records) {
    RecordedScore score;
    for (const AutomatchGameRecord& record : records) {
        score.add(record);
    }
    return score;
}

QStringList uciMoves(const ChessBoard& board) {
    QStringList moves;
    moves.reserve(static_cast<qsizetype>(board.history().size()));
    for (const MoveRecord& record : board.history()) {
        moves.append(QString::fromStdString(record.move.uciString()));
    }
    return moves;
}

} // namespace

QString AutomatchManager::defaultHistoryDatabasePath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/com.tamsel.brontil/AutomatchHistory.sqlite");
}

AutomatchManager::AutomatchManager(GameManager& games, EngineManager& engines,
                                   platform::SoundManager& sounds, QObject* parent,
                                   const QString& historyDatabase)
    : QObject(parent), m_games(games), m_engines(engines), m_sounds(sounds) {
    const QList<EngineConfiguration>& installed = m_engines.availableEngines();
    m_engine1 = m_engines.selectedWhiteEngine();
    if (!m_engine1 && !installed.isEmpty()) {
        m_engine1 = installed.first();
    }
    m_engine2 = m_engines.selectedBlackEngine();
    if (!m_engine2) {
        m_engine2 = installed.size() >= 2 ? std::optional(installed.at(1)) : m_engine1;
    }
    restoreHistory(historyDatabase.isEmpty() ? defaultHistoryDatabasePath() : historyDatabase);
    m_games.setSeriesObserver(this);
    m_timeControl = m_games.timeControlConfig();
    // Until a series starts, it will play with what is set for the next game.
    connect(&m_games, &GameManager::timeControlConfigChanged, this,
            [this](const TimeControlConfig& config) {
                if (!m_isAutomatchActive) {
                    setTimeControl(config);
                }
            });
}

AutomatchManager::~AutomatchManager() {
    m_countdown.cancel();
    m_games.setSeriesObserver(nullptr);
}

AutomatchManager& AutomatchManager::shared() {
    static AutomatchManager manager;
    return manager;
}

void AutomatchManager::setTotalGames(std::int64_t games) {
    platform::publish(this, m_totalGames, games, &AutomatchManager::totalGamesChanged);
}

void AutomatchManager::setAlternateColors(bool alternate) {
    platform::publish(this, m_alternateColors, alternate,
                      &AutomatchManager::alternateColorsChanged);
}

void AutomatchManager::setPauseBetweenGamesSeconds(double seconds) {
    platform::publish(this, m_pauseBetweenGamesSeconds, seconds,
                      &AutomatchManager::pauseBetweenGamesSecondsChanged);
}

void AutomatchManager::setOpeningFENs(const QStringList& fens) {
    platform::publish(this, m_openingFENs, fens, &AutomatchManager::openingFENsChanged);
}

void AutomatchManager::setEngine1(const std::optional<EngineConfiguration>& engine) {
    platform::publish(this, m_engine1, engine, &AutomatchManager::engine1Changed);
}

void AutomatchManager::setEngine1LimitElo(bool limit) {
    platform::publish(this, m_engine1LimitElo, limit, &AutomatchManager::engine1LimitEloChanged);
}

void AutomatchManager::setEngine1Elo(std::int64_t elo) {
    platform::publish(this, m_engine1Elo, elo, &AutomatchManager::engine1EloChanged);
}

void AutomatchManager::setEngine2(const std::optional<EngineConfiguration>& engine) {
    platform::publish(this, m_engine2, engine, &AutomatchManager::engine2Changed);
}

void AutomatchManager::setEngine2LimitElo(bool limit) {
    platform::publish(this, m_engine2LimitElo, limit, &AutomatchManager::engine2LimitEloChanged);
}

void AutomatchManager::setEngine2Elo(std::int64_t elo) {
    platform::publish(this, m_engine2Elo, elo, &AutomatchManager::engine2EloChanged);
}

bool AutomatchManager::engine1LimitApplies() const {
    return limitApplies(m_engine1LimitElo, m_engine1);
}

bool AutomatchManager::engine2LimitApplies() const {
    return limitApplies(m_engine2LimitElo, m_engine2);
}

double AutomatchManager::engine1Score() const {
    return automatch::seriesScore(m_engine1Wins, m_draws);
}

double AutomatchManager::engine2Score() const {
    return automatch::seriesScore(m_engine2Wins, m_draws);
}

QString AutomatchManager::effectiveEngine1Name() const {
    return m_engine1 ? m_engine1->name : QStringLiteral("Engine 1");
}

QString AutomatchManager::effectiveEngine2Name() const {
    return m_engine2 ? m_engine2->name : QStringLiteral("Engine 2");
}

QString AutomatchManager::currentWhiteEngineName() const {
    return m_currentWhiteIsEngine1 ? effectiveEngine1Name() : effectiveEngine2Name();
}

QString AutomatchManager::currentBlackEngineName() const {
    return m_currentWhiteIsEngine1 ? effectiveEngine2Name() : effectiveEngine1Name();
}

bool AutomatchManager::isMatchFinished() const {
    // A series that played to its end is finished even when a game that ended while it was
    // paused was left out of the records.
    return !m_isAutomatchActive && m_historyCount > 0 &&
           (m_playedToItsEnd || m_historyCount >= m_totalGames);
}

std::optional<double> AutomatchManager::estimatedEloDifference() const {
    if (m_historyCount == 0) {
        return std::nullopt;
    }
    return automatch::eloDifference(m_engine1Wins, m_engine2Wins, m_draws);
}

void AutomatchManager::ensureEnginesAssigned() {
    const QList<EngineConfiguration>& installed = m_engines.availableEngines();
    if (!m_engine1) {
        std::optional<EngineConfiguration> engine = m_engines.selectedWhiteEngine();
        if (!engine && !installed.isEmpty()) {
            engine = installed.first();
        }
        setEngine1(engine);
    }
    if (!m_engine2) {
        std::optional<EngineConfiguration> engine = m_engines.selectedBlackEngine();
        if (!engine) {
            engine = installed.isEmpty() ? m_engine1 : std::optional(installed.last());
        }
        setEngine2(engine);
    }
}

std::optional<QString> AutomatchManager::engineProblem() const {
    if (!m_engine1 || !m_engine2 || !isPlayable(*m_engine1) || !isPlayable(*m_engine2)) {
        return enginesRequired;
    }
    return std::nullopt;
}

std::optional<QString> AutomatchManager::openingSuiteProblem() const {
    for (const QString& fen : m_openingFENs) {
        ChessBoard board;
        try {
            board.load(fen.toStdString());
        } catch (const DomainError& error) {
            return invalidOpening + QString::fromStdString(error.message());
        }
        // The game manager only shows a finished position; no game end would ever arrive.
        if (board.isGameOver()) {
            return decidedOpening + fen;
        }
    }
    return std::nullopt;
}

void AutomatchManager::refuseStart(const QString& error) {
    const bool wasActive = m_isAutomatchActive;
    setConfigurationError(error);
    setIsAutomatchActive(false);
    setTimeControl(m_games.timeControlConfig());
    // The countdown was cancelled on the way in; a series that ran stops keeping the machine
    // awake.
    setIsCountingDown(false);
    if (wasActive) {
        m_games.updateKeepAwake();
    }
}

void AutomatchManager::start(std::optional<std::int64_t> totalGames,
                             std::optional<EngineConfiguration> engine1,
                             std::optional<EngineConfiguration> engine2) {
    cancelCountdown();
    if (totalGames) {
        setTotalGames(std::max<std::int64_t>(*totalGames, 1));
    }
    if (engine1) {
        setEngine1(engine1);
    }
    if (engine2) {
        setEngine2(engine2);
    }
    ensureEnginesAssigned();
    if (const std::optional<QString> problem = engineProblem()) {
        refuseStart(*problem);
        return;
    }
    if (const std::optional<QString> problem = openingSuiteProblem()) {
        refuseStart(*problem);
        return;
    }

    beginSeriesRecord(m_totalGames, currentSeriesIdentity());
    setConfigurationError(std::nullopt);
    m_playedToItsEnd = false;
    setIsAutomatchActive(true);
    setIsAutomatchPaused(false);
    setCurrentGameIndex(1);
    setCurrentWhiteIsEngine1(true);
    setIsCountingDown(false);
    setTimeControl(m_games.timeControlConfig());
    m_games.updateKeepAwake();
    launchCurrentGame();
}

void AutomatchManager::launchCurrentGame() {
    ensureEnginesAssigned();
    const bool whiteIsEngine1 = m_currentWhiteIsEngine1;
    const auto& white = whiteIsEngine1 ? m_engine1 : m_engine2;
    const auto& black = whiteIsEngine1 ? m_engine2 : m_engine1;
    const bool whiteLimit = whiteIsEngine1 ? engine1LimitApplies() : engine2LimitApplies();
    const bool blackLimit = whiteIsEngine1 ? engine2LimitApplies() : engine1LimitApplies();
    const std::int64_t whiteElo = whiteIsEngine1 ? m_engine1Elo : m_engine2Elo;
    const std::int64_t blackElo = whiteIsEngine1 ? m_engine2Elo : m_engine1Elo;

    m_games.setGameMode(GameMode::engineVsEngine);
    // Every game of the series with the same clock and thinking mode, whatever was set since.
    m_games.setTimeControlConfig(m_timeControl);
    m_engines.setSelectedWhiteEngine(white);
    m_engines.setSelectedBlackEngine(black);
    m_games.setEngineStrength(PieceColor::white, whiteLimit, whiteElo);
    m_games.setEngineStrength(PieceColor::black, blackLimit, blackElo);

    if (m_openingFENs.isEmpty()) {
        m_games.startNewGame();
        return;
    }
    const QString fen = m_openingFENs.at((m_currentGameIndex - 1) % m_openingFENs.size());
    try {
        m_games.loadFEN(fen);
    } catch (const DomainError& error) {
        setConfigurationError(QString::fromStdString(error.message()));
        stop();
        return;
    }
    if (m_games.isGameOver()) {
        setConfigurationError(decidedOpening + fen);
        stop();
    }
}

void AutomatchManager::handleGameEnd(const GameEndReason& reason, const ChessBoard& board,
                                     const QString& pgn,
                                     const std::optional<QString>& engineFailure) {
    if (!isRunning()) {
        return;
    }
    const automatch::GameOutcome outcome = automatch::classifyGameEnd(reason, engineFailure);
    std::optional<QString> winnerName;
    if (outcome.winner) {
        const bool engine1Won = (*outcome.winner == PieceColor::white) == m_currentWhiteIsEngine1;
        if (engine1Won) {
            setEngine1Wins(m_engine1Wins + 1);
        } else {
            setEngine2Wins(m_engine2Wins + 1);
        }
        winnerName = engine1Won ? effectiveEngine1Name() : effectiveEngine2Name();
    } else {
        setDraws(m_draws + 1);
    }

    AutomatchGameRecord record;
    record.id = QUuid::createUuid();
    record.gameNumber = m_currentGameIndex;
    record.whiteEngineName = currentWhiteEngineName();
    record.blackEngineName = currentBlackEngineName();
    record.whiteIsEngine1 = m_currentWhiteIsEngine1;
    const bool whiteLimit = m_currentWhiteIsEngine1 ? engine1LimitApplies() : engine2LimitApplies();
    const bool blackLimit = m_currentWhiteIsEngine1 ? engine2LimitApplies() : engine1LimitApplies();
    if (whiteLimit) {
        record.whiteEngineElo = m_currentWhiteIsEngine1 ? m_engine1Elo : m_engine2Elo;
    }
    if (blackLimit) {
        record.blackEngineElo = m_currentWhiteIsEngine1 ? m_engine2Elo : m_engine1Elo;
    }
    record.result = outcome.result;
    record.winnerEngineName = winnerName;
    record.reason = outcome.reasonText;
    record.movesCount = static_cast<std::int64_t>(board.history().size());
    record.movesUCI = uciMoves(board);
    record.initialFEN = QString::fromStdString(board.initialFEN());
    record.pgn = pgn;
    record.timestamp = QDateTime::currentDateTimeUtc();
    // The clocks as the game left them, so that viewing it later shows its own times.
    if (!m_games.clock().isUnlimited()) {
        record.whiteRemainingMs = m_games.clock().whiteRemainingMs();
        record.blackRemainingMs = m_games.clock().blackRemainingMs();
    }
    appendRecord(record);

    if (m_currentGameIndex < m_totalGames) {
        scheduleNextGame();
        return;
    }
    finishSeries();
}

void AutomatchManager::beginSeriesRecord(std::int64_t totalGames,
                                         const automatch::SeriesIdentity& identity) {
    setEngine1Wins(0);
    setEngine2Wins(0);
    setDraws(0);
    // The new series replaces the last one in the store at once, engines and strengths with it.
    m_seriesId = m_store->beginSeries(totalGames, identity);
    if (!m_seriesId) {
        reportStoreFailure();
    }
    setHistoryCount(0);
    emit historyReset();
    setSeriesEngines(identity);
    setSeriesEnd(std::nullopt);
}

void AutomatchManager::appendRecord(const AutomatchGameRecord& record) {
    automatch::HistoryRow row{0,
                              record.timestamp.toMSecsSinceEpoch(),
                              record.gameNumber,
                              record.whiteEngineName,
                              record.blackEngineName,
                              record.whiteEngineElo,
                              record.blackEngineElo,
                              record.result,
                              record.reason};
    // Without a key the row is still listed, but cannot be fetched again.
    const std::optional<std::int64_t> key =
        m_seriesId ? m_store->appendGame(*m_seriesId, record, m_engine1Wins, m_engine2Wins, m_draws)
                   : std::nullopt;
    if (key) {
        row.key = *key;
    } else {
        reportStoreFailure();
    }
    setHistoryCount(m_historyCount + 1);
    emit historyRowAdded(row);
}

bool AutomatchManager::beginOutsideSeries(std::int64_t totalGames,
                                          const automatch::SeriesIdentity& engines) {
    // The watched series owns the history while it runs.
    if (m_isAutomatchActive) {
        return false;
    }
    m_playedToItsEnd = false;
    setCurrentGameIndex(0);
    // The watched series' own length stays as the person set it.
    beginSeriesRecord(std::max<std::int64_t>(1, totalGames), engines);
    return true;
}

void AutomatchManager::recordOutsideGame(const AutomatchGameRecord& record) {
    if (m_isAutomatchActive) {
        return;
    }
    RecordedScore score{m_engine1Wins, m_engine2Wins, m_draws};
    score.add(record);
    setEngine1Wins(score.engine1Wins);
    setEngine2Wins(score.engine2Wins);
    setDraws(score.draws);
    setCurrentGameIndex(record.gameNumber);
    appendRecord(record);
}

void AutomatchManager::finishOutsideSeries() {
    if (m_isAutomatchActive || !m_seriesEngines) {
        return;
    }
    m_playedToItsEnd = true;
    // Stored as long as it was played, so that after a restart it reads as finished.
    if (m_seriesId && !m_store->setTotalGames(*m_seriesId, m_historyCount)) {
        reportStoreFailure();
    }
    setSeriesEnd(automatch::SeriesEnd{false, m_historyCount, m_seriesEngines->engine1Name,
                                      m_seriesEngines->engine2Name, engine1Score(),
                                      engine2Score()});
}

bool AutomatchManager::importOutsideSeries(const automatch::SeriesIdentity& engines,
                                           const QList<AutomatchGameRecord>& records) {
    if (m_isAutomatchActive || records.isEmpty()) {
        return false;
    }
    const auto [engine1Wins, engine2Wins, draws] = scoreOf(records);
    // One transaction for the whole file: a long match goes in at once, or not at all.
    const auto seriesId =
        m_store->importSeries(records.size(), engines, records, engine1Wins, engine2Wins, draws,
                              QStringLiteral("lastImportedMatch"));
    if (!seriesId) {
        reportStoreFailure();
        return false;
    }
    m_seriesId = seriesId;
    m_playedToItsEnd = true;
    setEngine1Wins(engine1Wins);
    setEngine2Wins(engine2Wins);
    setDraws(draws);
    setCurrentGameIndex(records.last().gameNumber);
    setHistoryCount(records.size());
    emit historyReset();
    setSeriesEngines(engines);
    setSeriesEnd(automatch::SeriesEnd{false, m_historyCount, engines.engine1Name,
                                      engines.engine2Name, engine1Score(), engine2Score()});
    return true;
}

void AutomatchManager::finishSeries() {
    m_playedToItsEnd = true;
    setIsAutomatchActive(false);
    setTimeControl(m_games.timeControlConfig());
    // The games recorded: totalGames may have been lowered during the series, and a game that
    // ended while the series was paused was not recorded.
    saveHistory();
    setSeriesEnd(automatch::SeriesEnd{false, m_historyCount, effectiveEngine1Name(),
                                      effectiveEngine2Name(), engine1Score(), engine2Score()});
    m_sounds.play(platform::SoundEffect::gameEnd);
    m_games.updateKeepAwake();
}

void AutomatchManager::scheduleNextGame() {
    setIsCountingDown(true);
    setCountdownRemaining(m_pauseBetweenGamesSeconds);
    cancelCountdown();
    m_countdown = platform::CancellationSource();
    runCountdown(m_countdown.token());
}

QCoro::Task<> AutomatchManager::runCountdown(platform::CancellationToken token) {
    const QPointer<AutomatchManager> self(this);
    // Even without a pause the next game starts in a later step of the event loop: the game end
    // that got us here is still being handled by the game manager.
    if (m_countdownRemaining <= 0.0) {
        co_await QCoro::sleepFor(std::chrono::milliseconds(0));
        if (!self || token.isCancelled() || !self->isRunning()) {
            co_return;
        }
    }
    while (self->m_countdownRemaining > 0.0) {
        co_await QCoro::sleepFor(countdownStep);
        if (!self || token.isCancelled() || !self->isRunning()) {
            co_return;
        }
        const double left = self->m_countdownRemaining - countdownStepSeconds;
        self->setCountdownRemaining(left > countdownTolerance ? left : 0.0);
    }
    self->setIsCountingDown(false);
    self->advanceToNextGame();
}

void AutomatchManager::cancelCountdown() {
    m_countdown.cancel();
}

void AutomatchManager::advanceToNextGame() {
    if (!isRunning()) {
        return;
    }
    // The last game ended while the series was paused: the resume ends the series.
    if (m_currentGameIndex >= m_totalGames) {
        finishSeries();
        return;
    }
    setCurrentGameIndex(m_currentGameIndex + 1);
    if (m_alternateColors) {
        setCurrentWhiteIsEngine1(!m_currentWhiteIsEngine1);
    }
    launchCurrentGame();
}

void AutomatchManager::stop() {
    const bool wasActive = m_isAutomatchActive;
    if (wasActive) {
        m_playedToItsEnd = false;
    }
    cancelCountdown();
    setIsCountingDown(false);
    setIsAutomatchActive(false);
    setIsAutomatchPaused(false);
    setTimeControl(m_games.timeControlConfig());
    setSeriesEnd(automatch::SeriesEnd{true, m_historyCount, effectiveEngine1Name(),
                                      effectiveEngine2Name(), engine1Score(), engine2Score()});
    saveHistory();
    if (wasActive) {
        m_games.stopCurrentGame();
    }
    m_games.updateKeepAwake();
}

void AutomatchManager::pause() {
    // A second pause would un-pause the game manager's game, which toggles.
    if (!m_isAutomatchActive || m_isAutomatchPaused) {
        return;
    }
    setIsAutomatchPaused(true);
    cancelCountdown();
    setIsCountingDown(false);
    // The game's own pause control may have paused it already; toggling would resume it.
    if (!m_games.isPaused()) {
        m_games.togglePause();
    }
}

void AutomatchManager::resume() {
    if (!m_isAutomatchActive || !m_isAutomatchPaused) {
        return;
    }
    setIsAutomatchPaused(false);
    if (m_games.isGameOver()) {
        advanceToNextGame();
    } else if (m_games.isPaused()) {
        // Unless the game's own control resumed it meanwhile, which toggling would undo.
        m_games.togglePause();
    }
}

void AutomatchManager::clearHistory() {
    stop();
    m_seriesId.reset();
    setHistoryCount(0);
    emit historyReset();
    setSeriesEngines(std::nullopt);
    setEngine1Wins(0);
    setEngine2Wins(0);
    setDraws(0);
    setCurrentGameIndex(0);
    setSeriesEnd(std::nullopt);
    // A text of earlier versions still in the settings goes too, unless no copy of it could be
    // kept; a copy beside the database stays.
    const bool uncopied = m_store->marker(storedHistoryUncopied).has_value();
    if (!m_store->clear()) {
        reportStoreFailure();
    }
    if (!uncopied) {
        platform::Settings::remove(persistedHistoryKey);
    }
}

automatch::RecordSource AutomatchManager::storedRecords() const {
    return [this](const automatch::RecordVisitor& visit) {
        return !m_seriesId || m_store->forEachRecord(*m_seriesId, visit);
    };
}

StoredGame AutomatchManager::storedGame(const AutomatchGameRecord& record) {
    StoredGame game;
    game.movesUCI = record.movesUCI;
    game.initialFEN = record.initialFEN;
    game.white = ShownPlayer{record.whiteEngineName, true, record.whiteEngineElo};
    game.black = ShownPlayer{record.blackEngineName, true, record.blackEngineElo};
    game.result = record.result;
    game.endReason = automatch::recordedGameEnd(record.result, record.reason);
    game.reasonText = record.reason;
    game.whiteRemainingMs = record.whiteRemainingMs;
    game.blackRemainingMs = record.blackRemainingMs;
    game.pgn = record.pgn;
    return game;
}

bool AutomatchManager::viewGameOnBoard(const AutomatchGameRecord& record) {
    if (m_isAutomatchActive) {
        return false;
    }
    return m_games.replayGame(storedGame(record));
}

QString AutomatchManager::exportAllPGN() const {
    QString text;
    exportAllPGN([&text](const QString& piece) { text += piece; });
    return text;
}

QString AutomatchManager::exportCSV() const {
    QString text;
    exportCSV([&text](const QString& piece) { text += piece; });
    return text;
}

QString AutomatchManager::exportJSON() const {
    QString text;
    exportJSON([&text](const QString& piece) { text += piece; });
    return text;
}

bool AutomatchManager::exportAllPGN(const std::function<void(const QString&)>& sink) const {
    return automatch::writeAllPGN(storedRecords(), sink);
}

bool AutomatchManager::exportCSV(const std::function<void(const QString&)>& sink) const {
    return automatch::writeCSV(storedRecords(), sink);
}

bool AutomatchManager::exportJSON(const std::function<void(const QString&)>& sink) const {
    return automatch::writeJSON(storedRecords(), sink);
}

QList<automatch::HistoryRow>
AutomatchManager::historyPage(std::optional<automatch::HistoryCursor> before, int limit) const {
    if (!m_seriesId) {
        return {};
    }
    return m_store->newestFirst(*m_seriesId, before, limit);
}

std::optional<AutomatchGameRecord> AutomatchManager::historyRecord(std::int64_t key) const {
    return m_store->record(key);
}

QList<AutomatchGameRecord> AutomatchManager::readWholeHistory() const {
    QList<AutomatchGameRecord> records;
    storedRecords()([&records](const AutomatchGameRecord& record) {
        records.append(record);
        return true;
    });
    return records;
}

automatch::SeriesIdentity AutomatchManager::currentSeriesIdentity() const {
    const auto elo = [](bool applies, std::int64_t value) {
        return applies ? std::optional(value) : std::nullopt;
    };
    return {effectiveEngine1Name(), elo(engine1LimitApplies(), m_engine1Elo),
            effectiveEngine2Name(), elo(engine2LimitApplies(), m_engine2Elo)};
}

void AutomatchManager::saveHistory() {
    if (m_seriesId && !m_store->setTotalGames(*m_seriesId, m_totalGames)) {
        reportStoreFailure();
    }
}

void AutomatchManager::reportStoreFailure() {
    if (m_storeFailureReported) {
        return;
    }
    m_storeFailureReported = true;
    setHistoryNotice(
        HistoryNotice{HistoryNotice::Kind::cannotSave, 0, m_store->path(), m_store->error()});
}

void AutomatchManager::acknowledgeHistoryNotice() {
    setHistoryNotice(std::nullopt);
}

void AutomatchManager::restoreHistory(const QString& databasePath) {
    m_store = std::make_unique<automatch::HistoryStore>(databasePath);
    if (!m_store->isOpen()) {
        // The session still records its games, in memory; the person learns they are not kept.
        const HistoryNotice notice{HistoryNotice::Kind::cannotSave, 0, databasePath,
                                   m_store->error()};
        m_store = std::make_unique<automatch::HistoryStore>(QStringLiteral(":memory:"));
        m_storeFailureReported = true;
        setHistoryNotice(notice);
    }
    importStoredHistory();
    const std::optional<automatch::StoredSeries> series = m_store->latestSeries();
    if (!series) {
        return;
    }
    // No run state comes back, but the scoreboard shows the stored series as it ended: its
    // engines, its score, and the last game it played.
    m_seriesId = series->id;
    setTotalGames(series->totalGames);
    setEngine1Wins(series->engine1Wins);
    setEngine2Wins(series->engine2Wins);
    setDraws(series->draws);
    setHistoryCount(series->recordCount());
    setSeriesEngines(series->engines);
    setCurrentGameIndex(series->lastGameNumber);
    setCurrentWhiteIsEngine1(series->lastWhiteIsEngine1);
}

void AutomatchManager::importStoredHistory() {
    if (m_store->marker(storedHistoryImported)) {
        return;
    }
    const QVariant value = platform::Settings::value(persistedHistoryKey);
    if (!value.isValid()) {
        // Nothing to bring over, now or later: a text an older version writes after this was
        // recorded by that version, not lost by this one.
        m_store->setMarker(storedHistoryImported, QStringLiteral("nothing stored"));
        return;
    }
    const QByteArray bytes = value.toByteArray();
    const automatch::SalvagedHistory salvaged = automatch::salvageHistory(bytes);
    const std::optional<QString> copy = keepCopy(QFileInfo(m_store->path()).absolutePath(), bytes);
    const auto [engine1Wins, engine2Wins, draws] = scoreOf(salvaged.records);
    const std::int64_t recorded = static_cast<std::int64_t>(salvaged.records.size());
    const std::int64_t totalGames =
        std::max(salvaged.totalGames.value_or(recorded), std::max<std::int64_t>(recorded, 1));
    const automatch::SeriesIdentity identity = salvaged.records.isEmpty()
                                                   ? currentSeriesIdentity()
                                                   : identityFromRecord(salvaged.records.first());
    if (salvaged.records.isEmpty() && salvaged.isWhole()) {
        // An empty series: only its length to keep.
        m_store->importSeries(totalGames, identity, {}, 0, 0, 0, storedHistoryImported);
    } else if (!m_store->importSeries(totalGames, identity, salvaged.records, engine1Wins,
                                      engine2Wins, draws, storedHistoryImported)) {
        reportStoreFailure();
        return;
    }
    // The stored text is kept as it was: in the copy beside the database, and only once that is
    // written it leaves the settings, whose every reading would otherwise parse it again (seconds
    // at each start with a long history). Without a copy it stays where it is.
    if (copy) {
        platform::Settings::remove(persistedHistoryKey);
    } else {
        m_store->setMarker(storedHistoryUncopied, QStringLiteral("1"));
    }
    if (salvaged.isWhole()) {
        return;
    }
    const QString where = copy.value_or(persistedHistoryKey);
    if (!salvaged.isObject) {
        setHistoryNotice(
            HistoryNotice{HistoryNotice::Kind::unreadableHistoryKept, 0, where, QString()});
    } else {
        setHistoryNotice(HistoryNotice{HistoryNotice::Kind::damagedRecordsSetAside,
                                       salvaged.unreadableRecords, where, QString()});
    }
}

void AutomatchManager::setIsAutomatchActive(bool active) {
    platform::publish(this, m_isAutomatchActive, active,
                      &AutomatchManager::isAutomatchActiveChanged);
}

void AutomatchManager::setIsAutomatchPaused(bool paused) {
    platform::publish(this, m_isAutomatchPaused, paused,
                      &AutomatchManager::isAutomatchPausedChanged);
}

void AutomatchManager::setCurrentGameIndex(std::int64_t index) {
    platform::publish(this, m_currentGameIndex, index, &AutomatchManager::currentGameIndexChanged);
}

void AutomatchManager::setCurrentWhiteIsEngine1(bool whiteIsEngine1) {
    platform::publish(this, m_currentWhiteIsEngine1, whiteIsEngine1,
                      &AutomatchManager::currentWhiteIsEngine1Changed);
}

void AutomatchManager::setIsCountingDown(bool countingDown) {
    platform::publish(this, m_isCountingDown, countingDown,
                      &AutomatchManager::isCountingDownChanged);
}

void AutomatchManager::setCountdownRemaining(double seconds) {
    platform::publish(this, m_countdownRemaining, seconds,
                      &AutomatchManager::countdownRemainingChanged);
}

void AutomatchManager::setEngine1Wins(std::int64_t wins) {
    platform::publish(this, m_engine1Wins, wins, &AutomatchManager::engine1WinsChanged);
}

void AutomatchManager::setEngine2Wins(std::int64_t wins) {
    platform::publish(this, m_engine2Wins, wins, &AutomatchManager::engine2WinsChanged);
}

void AutomatchManager::setDraws(std::int64_t draws) {
    platform::publish(this, m_draws, draws, &AutomatchManager::drawsChanged);
}

void AutomatchManager::setHistoryCount(std::int64_t count) {
    platform::publish(this, m_historyCount, count, &AutomatchManager::historyCountChanged);
}

void AutomatchManager::setSeriesEngines(const std::optional<automatch::SeriesIdentity>& engines) {
    platform::publish(this, m_seriesEngines, engines, &AutomatchManager::seriesEnginesChanged);
}

void AutomatchManager::setHistoryNotice(const std::optional<HistoryNotice>& notice) {
    platform::publish(this, m_historyNotice, notice, &AutomatchManager::historyNoticeChanged);
}

void AutomatchManager::setSeriesEnd(const std::optional<automatch::SeriesEnd>& end) {
    // The figures first, so whoever hears of the new reason reads the matching figures.
    m_seriesEnd = end;
    platform::publish(this, m_matchFinishedReason,
                      end ? std::optional(automatch::seriesEndText(*end)) : std::nullopt,
                      &AutomatchManager::matchFinishedReasonChanged);
}

void AutomatchManager::setTimeControl(const TimeControlConfig& config) {
    platform::publish(this, m_timeControl, config, &AutomatchManager::timeControlChanged);
}

AutomatchManager::ConfigurationProblem
AutomatchManager::describeConfigurationError(const QString& error) {
    using Kind = ConfigurationProblem::Kind;
    if (error == enginesRequired) {
        return {Kind::enginesRequired, {}};
    }
    if (error.startsWith(invalidOpening)) {
        return {Kind::invalidOpening, error.mid(invalidOpening.size())};
    }
    if (error.startsWith(decidedOpening)) {
        return {Kind::decidedOpening, error.mid(decidedOpening.size())};
    }
    return {Kind::other, error};
}

void AutomatchManager::setConfigurationError(const std::optional<QString>& error) {
    platform::publish(this, m_configurationError, error,
                      &AutomatchManager::configurationErrorChanged);
}

} // namespace velkor

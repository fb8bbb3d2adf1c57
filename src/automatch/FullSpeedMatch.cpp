#include "FullSpeedMatch.h"

#include "AutomatchManager.h"
#include "MatchCommandLine.h"
#include "MatchImport.h"
#include "platform/Settings.h"

#include <QDir>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QThread>
#include <QUuid>
#include <algorithm>

namespace velkor::automatch {

namespace {

// The run's state is saved after every game, as the runner does everywhere; the window keeps
// it in the program's data folder rather than the working folder.
QString stateFilePath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/com.tamsel.brontil");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/FullSpeedMatch.json");
}

std::optional<ChosenEngine> chosenEngine(const std::optional<EngineConfiguration>& engine,
                                         bool limitApplies, std::int64_t elo) {
    if (!engine) {
        return std::nullopt;
    }
    return ChosenEngine{*engine, limitApplies ? std::optional(elo) : std::nullopt};
}

// The history's record of a game the runner played: its moves and start read back from the PGN
// the runner wrote, so that "View on Board" and the exports show it like any other game; the
// reason in the runner's own words.
AutomatchGameRecord recordOf(const PlayedGame& game, const std::string& engine1) {
    AutomatchGameRecord record;
    if (auto read = matchGameRecord(game.pgn, game.index + 1, engine1)) {
        record = std::move(*read);
    } else {
        // The PGN is the runner's own; should it not read back, the game keeps its text and
        // result.
        record.id = QUuid::createUuid();
        record.gameNumber = game.index + 1;
        record.whiteEngineName = QString::fromStdString(game.white);
        record.blackEngineName = QString::fromStdString(game.black);
        record.whiteIsEngine1 = game.white == engine1;
        record.result = QString::fromStdString(game.result);
        record.pgn = QString::fromStdString(game.pgn);
        if (game.result != "1/2-1/2") {
            record.winnerEngineName =
                game.result == "1-0" ? record.whiteEngineName : record.blackEngineName;
        }
    }
    record.reason = QString::fromStdString(game.reason);
    record.timestamp = QDateTime::currentDateTimeUtc();
    return record;
}

} // namespace

FullSpeedMatch::FullSpeedMatch(AutomatchManager& automatch, QObject* parent,
                               platform::TimeSource clock)
    : QObject(parent), m_automatch(automatch), m_clock(std::move(clock)) {
    const QJsonDocument stored =
        QJsonDocument::fromJson(platform::Settings::value(settingsKey).toString().toUtf8());
    m_settings = FullSpeedSettings::fromJson(stored.object());
}

FullSpeedMatch::~FullSpeedMatch() {
    *m_alive = false;
    if (m_runner && m_playing) {
        // Closing the window mid-match: the searches are stopped and the engines ended before
        // this goes, so no engine outlives the program and no game is half written.
        m_runner->requestStop();
        QCoro::waitFor(std::move(*m_playing));
    }
}

void FullSpeedMatch::setSettings(const FullSpeedSettings& settings) {
    m_settings = settings;
    platform::Settings::setValue(
        settingsKey,
        QString::fromUtf8(QJsonDocument(settings.toJson()).toJson(QJsonDocument::Compact)));
    emit settingsChanged();
}

std::variant<MatchConfig, QString> FullSpeedMatch::config() const {
    return fullSpeedMatchConfig(
        m_settings,
        chosenEngine(m_automatch.engine1(), m_automatch.engine1LimitApplies(),
                     m_automatch.engine1Elo()),
        chosenEngine(m_automatch.engine2(), m_automatch.engine2LimitApplies(),
                     m_automatch.engine2Elo()),
        QThread::idealThreadCount(), stateFilePath());
}

std::variant<QString, QString> FullSpeedMatch::fastchessCommandLine() const {
    auto made = config();
    if (auto* problem = std::get_if<QString>(&made)) {
        return std::variant<QString, QString>(std::in_place_index<1>, *problem);
    }
    MatchConfig match = std::get<MatchConfig>(std::move(made));
    // The state file is this program's own; the frameworks keep theirs.
    match.stateFile = "config.json";
    return std::variant<QString, QString>(std::in_place_index<0>,
                                          QString::fromStdString(fastchessCommand(match)));
}

void FullSpeedMatch::setWatchingBoards(bool watching) {
    m_watchingBoards = watching;
}

void FullSpeedMatch::setError(const std::optional<QString>& error) {
    if (m_error != error) {
        m_error = error;
        emit errorChanged();
    }
}

void FullSpeedMatch::start() {
    if (m_runner) {
        return;
    }
    if (m_automatch.isAutomatchActive()) {
        setError(QStringLiteral("A watched series is running."));
        return;
    }
    auto made = config();
    if (auto* problem = std::get_if<QString>(&made)) {
        setError(*problem);
        return;
    }
    MatchConfig match = std::get<MatchConfig>(std::move(made));
    auto created = MatchRunner::create(match);
    if (auto* problem = std::get_if<std::string>(&created)) {
        setError(QString::fromStdString(*problem));
        return;
    }
    auto runner = std::get<std::unique_ptr<MatchRunner>>(std::move(created));
    const SeriesIdentity identity{
        QString::fromStdString(match.engines[0].name),
        m_automatch.engine1LimitApplies() ? std::optional(m_automatch.engine1Elo()) : std::nullopt,
        QString::fromStdString(match.engines[1].name),
        m_automatch.engine2LimitApplies() ? std::optional(m_automatch.engine2Elo()) : std::nullopt};
    if (!m_automatch.beginOutsideSeries(runner->totalGames(), identity)) {
        setError(QStringLiteral("A watched series is running."));
        return;
    }
    setError(std::nullopt);
    m_runner = runner.get();
    m_startedAt = m_clock();
    m_finishedAtStart = 0;
    m_status = FullSpeedStatus{};
    m_status.running = true;
    m_status.totalGames = runner->totalGames();
    m_runningGames.clear();
    emit runningGamesChanged();
    refreshStatus();
    m_playing.emplace(play(std::move(runner)));
}

void FullSpeedMatch::stop() {
    if (m_runner) {
        m_runner->requestStop();
    }
}

QCoro::Task<> FullSpeedMatch::play(std::unique_ptr<MatchRunner> runner) {
    const std::weak_ptr<bool> alive = m_alive;
    const std::string engine1 = runner->config().engines[0].name;
    MatchObserver observer;
    observer.gameStarted = [this, alive](std::int64_t number, std::int64_t,
                                         const std::string& white, const std::string& black) {
        if (alive.expired() || !*alive.lock()) {
            return;
        }
        m_runningGames.append(RunningGame{number, QString::fromStdString(white),
                                          QString::fromStdString(black), QString()});
        emit runningGamesChanged();
    };
    observer.gameFinished = [this, alive, engine1](const PlayedGame& game) {
        if (alive.expired() || !*alive.lock()) {
            return;
        }
        m_runningGames.removeIf(
            [&game](const RunningGame& running) { return running.number == game.index + 1; });
        emit runningGamesChanged();
        m_automatch.recordOutsideGame(recordOf(game, engine1));
        ++m_status.finishedGames;
        if (game.timeLoss) {
            ++m_status.timeLosses;
        }
        refreshStatus();
    };
    observer.countsChanged = [this, alive](std::int64_t) {
        if (!alive.expired() && *alive.lock()) {
            refreshStatus();
        }
    };
    observer.positionChanged = [this, alive](std::int64_t index, const std::string& fen) {
        if (alive.expired() || !*alive.lock() || !m_watchingBoards) {
            return;
        }
        for (RunningGame& game : m_runningGames) {
            if (game.number == index + 1) {
                game.fen = QString::fromStdString(fen);
                emit runningGamesChanged();
                return;
            }
        }
    };
    runner->setObserver(std::move(observer));
    const MatchEnd end = co_await runner->run();
    if (alive.expired() || !*alive.lock()) {
        co_return;
    }
    m_status.end = end;
    m_status.failure = QString::fromStdString(runner->failure());
    m_status.running = false;
    refreshStatus();
    m_runner = nullptr;
    m_runningGames.clear();
    emit runningGamesChanged();
    m_automatch.finishOutsideSeries();
    emit statusChanged();
}

void FullSpeedMatch::refreshStatus() {
    if (m_runner) {
        m_status.summary = m_runner->summary();
        const double minutes = (m_clock() - m_startedAt) / 60.0;
        const std::int64_t finished = m_status.finishedGames - m_finishedAtStart;
        m_status.gamesPerMinute = minutes > 0 ? static_cast<double>(finished) / minutes : 0;
        if (finished > 0 && m_status.gamesPerMinute > 0) {
            const auto left =
                std::max<std::int64_t>(0, m_status.totalGames - m_status.finishedGames);
            m_status.secondsLeft = static_cast<double>(left) / m_status.gamesPerMinute * 60.0;
        }
    }
    emit statusChanged();
}

bool FullSpeedMatch::importPGN(const QString& text) {
    if (m_runner || m_automatch.isAutomatchActive()) {
        setError(QStringLiteral("A match is running."));
        return false;
    }
    auto read = importMatchPGN(text.toStdString());
    if (auto* problem = std::get_if<std::string>(&read)) {
        setError(QString::fromStdString(*problem));
        return false;
    }
    const ImportedMatch& match = std::get<ImportedMatch>(read);
    const SeriesIdentity identity{QString::fromStdString(match.firstEngine), std::nullopt,
                                  QString::fromStdString(match.secondEngine), std::nullopt};
    if (!m_automatch.importOutsideSeries(identity, match.records)) {
        setError(QStringLiteral("The history cannot be written."));
        return false;
    }
    setError(std::nullopt);
    // The file says who played and how it went, not under which limits: the summary names the
    // engines only, and the test is the one the settings hold now.
    MatchSummary summary;
    summary.first.name = match.firstEngine;
    summary.second.name = match.secondEngine;
    summary.counts = match.counts;
    summary.pentanomial =
        match.paired && !(m_settings.sprt && m_settings.sprt->model == SprtModel::Bayesian);
    if (m_settings.sprt) {
        summary.sprt.emplace(*m_settings.sprt);
    }
    m_status = FullSpeedStatus{};
    m_status.finishedGames = match.records.size();
    m_status.totalGames = match.records.size();
    m_status.summary = summary;
    emit statusChanged();
    return true;
}

} // namespace velkor::automatch

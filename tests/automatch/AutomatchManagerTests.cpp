// The series state machine against a real game manager whose games end by resignation, with
// fake engines that never answer a search.
#include "AutomatchFixture.h"
#include "automatch/PersistedHistory.h"
#include "platform/Settings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTimeZone>

namespace velkor::testing {
namespace {

using namespace std::chrono_literals;

class AutomatchManagerTest : public AutomatchTest {
protected:
    AutomatchManagerTest()
        : idleA(FakeEngine::handshake()), idleB(FakeEngine::handshake()),
          idleC(FakeEngine::handshake()), alpha(engineAt("Alpha", idleA.path())),
          beta(engineAt("Beta", idleB.path())), gamma(engineAt("Gamma", idleC.path())) {
        engines.setAvailableEngines({alpha, beta, gamma});
    }

    // Starts a series of `total` games of Alpha against Beta with no pause between games.
    std::unique_ptr<AutomatchManager> startSeries(std::int64_t total,
                                                  const QStringList& openings = {}) {
        auto series = makeManager();
        series->setPauseBetweenGamesSeconds(0);
        series->setOpeningFENs(openings);
        series->start(total, alpha, beta);
        EXPECT_TRUE(series->isAutomatchActive())
            << series->configurationError().value_or("").toStdString();
        waitUntilEnginesPlay();
        return series;
    }

    // Ends the current game with a win for `winner` and waits for the next one to start.
    void winAndWaitForNextGame(AutomatchManager& series, PieceColor winner) {
        const std::int64_t next = series.currentGameIndex() + 1;
        games.resign(opponent(winner));
        ASSERT_TRUE(waitUntil([&] { return series.currentGameIndex() == next; }, 5s));
        waitUntilEnginesPlay();
    }

    // The game's engines have started and the first turn is requested. Tests wait for this
    // before a game ends or is replaced, so that no engine start-up is cut short.
    void waitUntilEnginesPlay() {
        ASSERT_TRUE(waitUntil([&] { return games.currentlyThinkingColor().has_value(); }, 5s));
    }

    FakeEngine idleA;
    FakeEngine idleB;
    FakeEngine idleC;
    EngineConfiguration alpha;
    EngineConfiguration beta;
    EngineConfiguration gamma;
};

TEST_F(AutomatchManagerTest, CreationPreselectsFromTheRegistry) {
    auto fromList = makeManager();
    EXPECT_EQ(fromList->engine1(), alpha);
    EXPECT_EQ(fromList->engine2(), beta);

    engines.setSelectedWhiteEngine(gamma);
    EXPECT_EQ(makeManager()->engine1(), gamma);
    EXPECT_EQ(makeManager()->engine2(), beta);
    engines.setSelectedBlackEngine(alpha);
    EXPECT_EQ(makeManager()->engine2(), alpha);

    engines.setSelectedWhiteEngine(std::nullopt);
    engines.setSelectedBlackEngine(std::nullopt);
    engines.setAvailableEngines({gamma});
    EXPECT_EQ(makeManager()->engine2(), gamma);
    engines.setAvailableEngines({});
    auto none = makeManager();
    EXPECT_FALSE(none->engine1());
    EXPECT_FALSE(none->engine2());
    EXPECT_EQ(none->currentWhiteEngineName(), "Engine 1");
    EXPECT_EQ(none->currentBlackEngineName(), "Engine 2");
}

TEST_F(AutomatchManagerTest, StartRefusesEnginesThatCannotRun) {
    QTemporaryDir dir;
    QFile plain(dir.filePath("not-executable"));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    auto series = makeManager();
    const std::vector<EngineConfiguration> unusable{engineAt("Plain", plain.fileName()),
                                                    engineAt("Folder", dir.path()),
                                                    engineAt("Missing", dir.filePath("none"))};
    for (const EngineConfiguration& engine : unusable) {
        series->start(std::nullopt, alpha, engine);
        EXPECT_EQ(series->configurationError(), "Two executable UCI engines are required.");
        EXPECT_FALSE(series->isAutomatchActive());
    }
    engines.setAvailableEngines({});
    auto empty = makeManager();
    empty->start();
    EXPECT_EQ(empty->configurationError(), "Two executable UCI engines are required.");
    EXPECT_EQ(empty->currentGameIndex(), 0);
}

TEST_F(AutomatchManagerTest, StartChecksTheOpeningSuite) {
    auto series = makeManager();
    // Built-in engines skip the executable check, so the suite is what refuses here.
    const EngineConfiguration& builtIn = EngineConfiguration::builtInMini();
    series->setOpeningFENs({whiteMatesFEN, QStringLiteral("8/8/8/8 w - - 0 1")});
    series->start(std::nullopt, builtIn, builtIn);
    QString readerMessage;
    try {
        ChessBoard().load("8/8/8/8 w - - 0 1");
    } catch (const DomainError& error) {
        readerMessage = QString::fromStdString(error.message());
    }
    ASSERT_FALSE(readerMessage.isEmpty());
    EXPECT_EQ(series->configurationError(),
              "The opening suite contains an invalid FEN: " + readerMessage);
    EXPECT_FALSE(series->isAutomatchActive());

    // A finished position would never report a game end: refused rather than hanging.
    const QString mated = QStringLiteral("3R2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 1 1");
    series->setOpeningFENs({mated});
    series->start();
    EXPECT_EQ(series->configurationError(),
              "The opening suite contains a position that is already decided: " + mated);
    EXPECT_FALSE(series->isAutomatchActive());
}

TEST_F(AutomatchManagerTest, ArgumentsReplaceTheConfigurationAndZeroGamesMeansOne) {
    auto series = makeManager();
    series->setTotalGames(6);
    series->setEngine2(std::nullopt);
    series->start();
    waitUntilEnginesPlay();
    EXPECT_EQ(series->totalGames(), 6);
    // A missing engine 2 falls back to the last installed engine.
    EXPECT_EQ(series->engine2(), gamma);
    EXPECT_EQ(engines.selectedBlackEngine()->id, gamma.id);

    series->start(0, beta, beta);
    waitUntilEnginesPlay();
    EXPECT_EQ(series->totalGames(), 1);
    EXPECT_EQ(series->engine1(), beta);
    EXPECT_TRUE(series->isAutomatchActive());
    games.resign(PieceColor::black);
    EXPECT_FALSE(series->isAutomatchActive());
    EXPECT_TRUE(series->isMatchFinished());
    EXPECT_FALSE(sleepGuard.isHeld());
    EXPECT_EQ(series->matchFinishedReason(),
              "Automatch beendet: 1 Partien gespielt. Beta gewinnt das Match (1.0 : 0.0)!");
    ASSERT_TRUE(waitUntil([&] { return !seriesPlayer.played.empty(); }, 2s));
    EXPECT_EQ(seriesPlayer.played, std::vector{platform::SoundEffect::gameEnd});
}

TEST_F(AutomatchManagerTest, OpeningsCycleColoursAlternateAndScoresFollowTheEngines) {
    const QStringList openings{whiteMatesFEN, blackMatesFEN, bareKingsFEN};
    auto series = startSeries(7, openings);
    for (int game = 1; game <= 7; ++game) {
        SCOPED_TRACE(game);
        const bool alphaWhite = game % 2 == 1;
        EXPECT_EQ(QString::fromStdString(games.board().initialFEN()), openings[(game - 1) % 3]);
        EXPECT_EQ(series->currentWhiteIsEngine1(), alphaWhite);
        EXPECT_EQ(engines.selectedWhiteEngine()->id, (alphaWhite ? alpha : beta).id);
        EXPECT_EQ(games.gameMode(), GameMode::engineVsEngine);
        if (game < 7) {
            winAndWaitForNextGame(*series, PieceColor::white);
        } else {
            games.resign(PieceColor::black);
        }
    }
    EXPECT_EQ(series->engine1Wins(), 4);
    EXPECT_EQ(series->engine2Wins(), 3);
    ASSERT_EQ(series->historyCount(), 7);
    const AutomatchGameRecord second = series->readWholeHistory().at(1);
    EXPECT_EQ(second.gameNumber, 2);
    EXPECT_EQ(second.whiteEngineName, "Beta");
    EXPECT_EQ(second.winnerEngineName, "Beta");
    EXPECT_EQ(second.reason, "Aufgabe (Weiß gewinnt)");
    EXPECT_EQ(second.initialFEN, blackMatesFEN);
    EXPECT_EQ(series->matchFinishedReason(),
              "Automatch beendet: 7 Partien gespielt. Alpha gewinnt das Match (4.0 : 3.0)!");
    EXPECT_NEAR(*series->estimatedEloDifference(), 400 * std::log10(4.5 / 3.5), 1e-9);
}

TEST_F(AutomatchManagerTest, WithoutAlternationEngineOneKeepsWhite) {
    auto series = makeManager();
    series->setPauseBetweenGamesSeconds(0);
    series->setAlternateColors(false);
    series->start(3, alpha, beta);
    waitUntilEnginesPlay();
    winAndWaitForNextGame(*series, PieceColor::black);
    EXPECT_TRUE(series->currentWhiteIsEngine1());
    winAndWaitForNextGame(*series, PieceColor::black);
    EXPECT_EQ(engines.selectedWhiteEngine()->id, alpha.id);
    EXPECT_EQ(series->engine2Wins(), 2);
}

TEST_F(AutomatchManagerTest, RecordsCarryTheEloOnlyWhereTheLimitApplies) {
    beta.supportsLimitStrength = false;
    auto series = makeManager();
    series->setPauseBetweenGamesSeconds(0);
    series->setEngine1LimitElo(true);
    series->setEngine1Elo(1500);
    series->setEngine2LimitElo(true);
    series->start(2, alpha, beta);
    waitUntilEnginesPlay();
    EXPECT_TRUE(series->engine1LimitApplies());
    EXPECT_FALSE(series->engine2LimitApplies());
    EXPECT_TRUE(games.engineSeat(PieceColor::white).limitElo());
    EXPECT_EQ(games.engineSeat(PieceColor::white).elo(), 1500);
    EXPECT_FALSE(games.engineSeat(PieceColor::black).limitElo());
    winAndWaitForNextGame(*series, PieceColor::white);
    EXPECT_FALSE(games.engineSeat(PieceColor::white).limitElo());
    EXPECT_TRUE(games.engineSeat(PieceColor::black).limitElo());
    EXPECT_EQ(games.engineSeat(PieceColor::black).elo(), 1500);
    games.resign(PieceColor::white);
    ASSERT_EQ(series->historyCount(), 2);
    EXPECT_EQ(series->readWholeHistory().at(0).whiteEngineElo, 1500);
    EXPECT_FALSE(series->readWholeHistory().at(0).blackEngineElo);
    EXPECT_FALSE(series->readWholeHistory().at(1).whiteEngineElo);
    EXPECT_EQ(series->readWholeHistory().at(1).blackEngineElo, 1500);
    EXPECT_EQ(series->readWholeHistory().at(1).winnerEngineName, "Alpha");
    EXPECT_EQ(series->engine1Wins(), 2);
}

TEST_F(AutomatchManagerTest, CountdownStepsByTwoTenthsWithoutAnExtraStep) {
    auto series = startSeries(2);
    series->setPauseBetweenGamesSeconds(1.0);
    std::vector<double> shown;
    QObject::connect(series.get(), &AutomatchManager::countdownRemainingChanged,
                     [&](double seconds) { shown.push_back(seconds); });
    games.resign(PieceColor::black);
    EXPECT_TRUE(series->isCountingDown());
    ASSERT_TRUE(waitUntil([&] { return series->currentGameIndex() == 2; }, 3s));
    waitUntilEnginesPlay();
    EXPECT_FALSE(series->isCountingDown());
    ASSERT_EQ(shown.size(), 6u);
    for (std::size_t step = 0; step < shown.size(); ++step) {
        EXPECT_NEAR(shown[step], 1.0 - 0.2 * static_cast<double>(step), 1e-9);
    }
    EXPECT_EQ(shown.back(), 0.0);
}

TEST_F(AutomatchManagerTest, PauseDuringTheCountdownAndResumeStartsTheNextGameAtOnce) {
    auto series = startSeries(3);
    series->setPauseBetweenGamesSeconds(0.4);
    games.resign(PieceColor::black);
    ASSERT_TRUE(series->isCountingDown());
    // No engine plays now, but the series keeps the machine awake between its games.
    EXPECT_TRUE(sleepGuard.isHeld());
    series->pause();
    EXPECT_TRUE(series->isAutomatchPaused());
    EXPECT_FALSE(series->isCountingDown());
    processEventsFor(600ms);
    EXPECT_EQ(series->currentGameIndex(), 1);

    series->resume();
    EXPECT_FALSE(series->isAutomatchPaused());
    EXPECT_EQ(series->currentGameIndex(), 2);
    EXPECT_FALSE(series->currentWhiteIsEngine1());
    EXPECT_FALSE(games.isGameOver());
    waitUntilEnginesPlay();
}

TEST_F(AutomatchManagerTest, PauseDuringAGameHoldsItAndIgnoresItsEnd) {
    auto series = startSeries(3);
    const bool runningPaused = games.isPaused();
    series->pause();
    EXPECT_NE(games.isPaused(), runningPaused);
    series->pause();
    EXPECT_NE(games.isPaused(), runningPaused) << "a second pause must not resume the game";
    series->resume();
    EXPECT_EQ(games.isPaused(), runningPaused);
    EXPECT_EQ(series->currentGameIndex(), 1);

    series->pause();
    games.resign(PieceColor::white);
    EXPECT_TRUE(series->historyCount() == 0);
    EXPECT_EQ(series->engine2Wins(), 0);
    series->resume();
    EXPECT_EQ(series->currentGameIndex(), 2);
    waitUntilEnginesPlay();
}

// The last game ends while the series is paused: it is not recorded, the resume ends the series
// instead of playing one game more, and the summary names the games recorded.
TEST_F(AutomatchManagerTest, ALastGameEndedWhilePausedFinishesTheSeriesWithItsRecords) {
    auto series = startSeries(2);
    winAndWaitForNextGame(*series, PieceColor::white);
    series->pause();
    games.resign(PieceColor::white);
    series->resume();
    EXPECT_FALSE(series->isAutomatchActive());
    EXPECT_EQ(series->currentGameIndex(), 2);
    EXPECT_EQ(series->historyCount(), 1);
    EXPECT_TRUE(series->isMatchFinished());
    EXPECT_EQ(series->matchFinishedReason(),
              "Automatch beendet: 1 Partien gespielt. Alpha gewinnt das Match (1.0 : 0.0)!");
    velkor::testing::processEventsFor(50ms);
    EXPECT_TRUE(games.isGameOver()) << "no further game starts";
}

// The game's own pause button works during a series too; the series must not toggle it back.
TEST_F(AutomatchManagerTest, PauseAndResumeAgreeWithTheGamesOwnPauseControl) {
    auto series = startSeries(3);
    games.togglePause();
    series->pause();
    EXPECT_TRUE(games.isPaused()) << "a game paused already stays paused";
    series->resume();
    EXPECT_FALSE(games.isPaused());

    series->pause();
    games.togglePause();
    series->resume();
    EXPECT_FALSE(games.isPaused()) << "a game resumed already keeps running";
    EXPECT_FALSE(series->isAutomatchPaused());
    games.resign(PieceColor::black);
    EXPECT_EQ(series->engine1Wins(), 1);
    waitUntilEnginesPlay();
}

TEST_F(AutomatchManagerTest, StopKeepsTheRecordsAndHaltsTheGameOrTheCountdown) {
    auto series = startSeries(4);
    winAndWaitForNextGame(*series, PieceColor::white);
    series->stop();
    EXPECT_FALSE(series->isAutomatchActive());
    EXPECT_EQ(series->matchFinishedReason(), "Automatch gestoppt.");
    EXPECT_TRUE(games.isPaused());
    EXPECT_EQ(series->historyCount(), 1);
    EXPECT_EQ(series->engine1Wins(), 1);
    EXPECT_FALSE(series->isMatchFinished());

    series->start();
    waitUntilEnginesPlay();
    EXPECT_TRUE(series->historyCount() == 0);
    EXPECT_EQ(series->engine1Wins(), 0);
    series->setPauseBetweenGamesSeconds(0.2);
    games.resign(PieceColor::black);
    series->stop();
    EXPECT_FALSE(series->isCountingDown());
    processEventsFor(400ms);
    EXPECT_EQ(series->currentGameIndex(), 1);
}

TEST_F(AutomatchManagerTest, TheSeriesPlaysWithTheClockItStartedWithAndKeepsItsGameOnBoard) {
    const TimeControlConfig blitz{TimeControlPreset::blitz3_2, 5, 3,
                                  EngineThinkingMode::fixedMoveTime(2.5)};
    const TimeControlConfig rapid{TimeControlPreset::rapid10_0, 5, 3,
                                  EngineThinkingMode::fixedDepth(4)};
    auto series = makeManager();
    // Before a start the series will play with what is set for the next game.
    games.setTimeControlConfig(blitz);
    EXPECT_EQ(series->timeControl(), blitz);
    series->setPauseBetweenGamesSeconds(0);
    series->start(3, alpha, beta);
    waitUntilEnginesPlay();
    // A change meanwhile is not what the running series plays with.
    games.setTimeControlConfig(rapid);
    EXPECT_EQ(series->timeControl(), blitz);
    winAndWaitForNextGame(*series, PieceColor::white);
    EXPECT_EQ(games.timeControlConfig(), blitz) << "game 2 starts on the series' clock";

    // Viewing a recorded game would replace the series' game under it: refused.
    const std::string running = games.board().fen();
    EXPECT_FALSE(series->viewGameOnBoard(series->readWholeHistory().front()));
    EXPECT_EQ(games.board().fen(), running);
    EXPECT_FALSE(games.isGameOver());

    series->stop();
    games.setTimeControlConfig(rapid);
    EXPECT_EQ(series->timeControl(), rapid);
    EXPECT_TRUE(series->viewGameOnBoard(series->readWholeHistory().front()));
    EXPECT_EQ(games.shownGame().white.name, "Alpha");
    EXPECT_EQ(games.shownGame().result, "1-0");
    EXPECT_EQ(games.gameEndReason(), GameEndReason::resignation(PieceColor::white));
}

TEST_F(AutomatchManagerTest, LoweringTheLengthEndsTheSeriesAfterTheCurrentGame) {
    auto series = startSeries(10);
    winAndWaitForNextGame(*series, PieceColor::white);
    winAndWaitForNextGame(*series, PieceColor::white);
    series->setTotalGames(2);
    games.resign(PieceColor::black);
    EXPECT_FALSE(series->isAutomatchActive());
    EXPECT_EQ(series->matchFinishedReason(),
              "Automatch beendet: 3 Partien gespielt. Alpha gewinnt das Match (2.0 : 1.0)!");
}

// After a restart the scoreboard's figures are those of the stored series: its engines and
// strengths (not the ones now chosen), its score and the number of its last game.
TEST_F(AutomatchManagerTest, HistorySurvivesARestartWithItsOwnEnginesAndClearingRemovesIt) {
    {
        auto series = makeManager();
        series->setPauseBetweenGamesSeconds(0);
        series->setEngine2LimitElo(true);
        series->setEngine2Elo(1800);
        series->start(2, alpha, beta);
        waitUntilEnginesPlay();
        winAndWaitForNextGame(*series, PieceColor::white);
        games.resign(PieceColor::white);
        ASSERT_FALSE(series->isAutomatchActive());
    }
    engines.setSelectedWhiteEngine(gamma);
    engines.setSelectedBlackEngine(gamma);
    auto restored = makeManager();
    EXPECT_EQ(restored->engine1(), gamma);
    const automatch::SeriesIdentity played{"Alpha", std::nullopt, "Beta", 1800};
    EXPECT_EQ(restored->seriesEngines(), played);
    EXPECT_EQ(restored->totalGames(), 2);
    EXPECT_EQ(restored->engine1Wins(), 2);
    EXPECT_EQ(restored->historyCount(), 2);
    EXPECT_EQ(restored->currentGameIndex(), 2);
    EXPECT_FALSE(restored->currentWhiteIsEngine1());
    const QList<AutomatchGameRecord> records = restored->readWholeHistory();
    ASSERT_EQ(records.size(), 2);
    EXPECT_EQ(records.at(1).whiteEngineName, "Beta");
    EXPECT_EQ(records.at(1).whiteEngineElo, 1800);
    EXPECT_FALSE(restored->matchFinishedReason());
    EXPECT_TRUE(restored->isMatchFinished());

    restored->setPauseBetweenGamesSeconds(0);
    restored->start(3, alpha, beta);
    waitUntilEnginesPlay();
    EXPECT_EQ(restored->historyCount(), 0);
    EXPECT_EQ(makeManager()->historyCount(), 0) << "a new series replaces the stored one";
    restored->clearHistory();
    EXPECT_FALSE(restored->isAutomatchActive());
    EXPECT_EQ(restored->historyCount(), 0);
    EXPECT_EQ(restored->currentGameIndex(), 0);
    EXPECT_FALSE(restored->matchFinishedReason());
    EXPECT_FALSE(restored->seriesEngines());
    EXPECT_FALSE(restored->estimatedEloDifference());
    auto afterClearing = makeManager();
    EXPECT_EQ(afterClearing->historyCount(), 0);
    EXPECT_FALSE(afterClearing->seriesEngines());
}

// A history stored by an earlier version, with one damaged record among good ones: the good ones
// are brought over once, the score is counted from them, the stored text is kept byte for byte
// in a file beside the database (and leaves the settings), and the person is told once.
TEST_F(AutomatchManagerTest, AStoredHistoryIsBroughtOverOnceKeepingWhatReads) {
    const auto record = [](std::int64_t number, bool alphaWhite, const char* result) {
        AutomatchGameRecord made;
        made.id = QUuid::createUuid();
        made.gameNumber = number;
        made.whiteEngineName = alphaWhite ? "Alpha" : "Beta";
        made.blackEngineName = alphaWhite ? "Beta" : "Alpha";
        made.whiteIsEngine1 = alphaWhite;
        made.blackEngineElo = alphaWhite ? std::optional<std::int64_t>(2000) : std::nullopt;
        made.whiteEngineElo = alphaWhite ? std::nullopt : std::optional<std::int64_t>(2000);
        made.result = result;
        made.reason = "Aufgabe";
        made.movesCount = 1;
        made.movesUCI = {"e2e4"};
        made.pgn = "[Event \"Velkor Match\"]\n\n1. e4 " + QString(result) + "\n";
        made.timestamp =
            QDateTime::fromMSecsSinceEpoch(1'700'000'000'000 + number * 1000, QTimeZone::utc());
        return made;
    };
    const AutomatchGameRecord third = record(3, true, "0-1");
    const automatch::PersistedHistory stored{
        4, 2, 1, 1, {record(1, true, "1-0"), record(2, false, "1-0"), third}};
    QJsonObject object = QJsonDocument::fromJson(stored.encode()).object();
    QJsonArray records = object.value("records").toArray();
    QJsonObject damaged = records.at(1).toObject();
    damaged.insert("movesCount", "many");
    records.replace(1, damaged);
    object.insert("records", records);
    const QByteArray blob = QJsonDocument(object).toJson(QJsonDocument::Compact);
    platform::Settings::setValue(AutomatchManager::persistedHistoryKey, blob);

    const QTemporaryDir folder;
    const QString database = folder.filePath("history.sqlite");
    auto series = makeManager(database);
    EXPECT_EQ(series->historyCount(), 2);
    EXPECT_EQ(series->engine1Wins(), 1);
    EXPECT_EQ(series->engine2Wins(), 1);
    EXPECT_EQ(series->draws(), 0);
    EXPECT_EQ(series->totalGames(), 4);
    EXPECT_EQ(series->currentGameIndex(), 3);
    const automatch::SeriesIdentity played{"Alpha", std::nullopt, "Beta", 2000};
    EXPECT_EQ(series->seriesEngines(), played);
    ASSERT_EQ(series->readWholeHistory().size(), 2);
    EXPECT_EQ(series->readWholeHistory().at(1), third);

    ASSERT_TRUE(series->historyNotice());
    const HistoryNotice notice = *series->historyNotice();
    EXPECT_EQ(notice.kind, HistoryNotice::Kind::damagedRecordsSetAside);
    EXPECT_EQ(notice.count, 1);
    QFile copy(notice.path);
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly)) << notice.path.toStdString();
    EXPECT_EQ(copy.readAll(), blob);
    EXPECT_FALSE(platform::Settings::contains(AutomatchManager::persistedHistoryKey));

    // The next game goes into the database; the copy is left alone, and the history is not
    // brought over a second time, even when an older version stores its text again.
    series->acknowledgeHistoryNotice();
    series->setPauseBetweenGamesSeconds(0);
    series->start(1, alpha, beta);
    waitUntilEnginesPlay();
    games.resign(PieceColor::black);
    series.reset();
    platform::Settings::setValue(AutomatchManager::persistedHistoryKey, blob);
    auto again = makeManager(database);
    EXPECT_FALSE(again->historyNotice());
    EXPECT_EQ(again->historyCount(), 1);
    copy.seek(0);
    EXPECT_EQ(copy.readAll(), blob);
}

TEST_F(AutomatchManagerTest, AWholeStoredHistoryIsBroughtOverSilently) {
    AutomatchGameRecord game;
    game.id = QUuid::createUuid();
    game.gameNumber = 1;
    game.whiteEngineName = "Alpha";
    game.blackEngineName = "Beta";
    game.result = "1/2-1/2";
    game.reason = "Remis (Patt)";
    game.timestamp = QDateTime::currentDateTimeUtc();
    const QByteArray blob = automatch::PersistedHistory{3, 0, 0, 1, {game}}.encode();
    platform::Settings::setValue(AutomatchManager::persistedHistoryKey, blob);
    const QTemporaryDir folder;
    auto series = makeManager(folder.filePath("history.sqlite"));
    EXPECT_FALSE(series->historyNotice());
    EXPECT_EQ(series->draws(), 1);
    EXPECT_EQ(series->totalGames(), 3);
    EXPECT_EQ(series->exportCSV().count(u'\n'), 1);
    EXPECT_FALSE(platform::Settings::contains(AutomatchManager::persistedHistoryKey));
    const QStringList kept =
        QDir(folder.path()).entryList({"Brontil_AutomatchHistory_v1-*.json"}, QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    QFile copy(folder.filePath(kept.first()));
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(copy.readAll(), blob);
}

TEST_F(AutomatchManagerTest, AnUnreadableStoredHistoryIsKeptAndTold) {
    const std::vector<QVariant> blobs{
        QByteArray("\x00\x01not json", 10), QByteArray("[1,2,3]"),
        QByteArray("{\"totalGames\":3,\"engine1Wins\":1,\"engine2Wins\":0,\"draws\":0}")};
    for (const QVariant& blob : blobs) {
        platform::Settings::setValue(AutomatchManager::persistedHistoryKey, blob);
        const QTemporaryDir folder;
        auto series = makeManager(folder.filePath("history.sqlite"));
        EXPECT_EQ(series->engine1Wins(), 0);
        EXPECT_EQ(series->historyCount(), 0);
        ASSERT_TRUE(series->historyNotice());
        QFile copy(series->historyNotice()->path);
        ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
        EXPECT_EQ(copy.readAll(), blob.toByteArray());
        EXPECT_FALSE(platform::Settings::contains(AutomatchManager::persistedHistoryKey));
    }
}

// A history file that cannot be opened: the session still records its games, and the person
// learns they are not kept.
TEST_F(AutomatchManagerTest, AnUnopenableHistoryIsToldAndTheSessionStillRecords) {
    const QTemporaryDir folder;
    // A folder where the database file should be.
    ASSERT_TRUE(QDir(folder.path()).mkdir("history.sqlite"));
    auto series = makeManager(folder.filePath("history.sqlite"));
    ASSERT_TRUE(series->historyNotice());
    EXPECT_EQ(series->historyNotice()->kind, HistoryNotice::Kind::cannotSave);
    EXPECT_EQ(series->historyNotice()->path, folder.filePath("history.sqlite"));
    series->setPauseBetweenGamesSeconds(0);
    series->start(2, alpha, beta);
    waitUntilEnginesPlay();
    winAndWaitForNextGame(*series, PieceColor::white);
    ASSERT_EQ(series->readWholeHistory().size(), 1);
    EXPECT_EQ(series->historyPage(std::nullopt, 10).size(), 1);
}

TEST_F(AutomatchManagerTest, AGoneManagerIsNoLongerTold) {
    { auto series = startSeries(3); }
    games.resign(PieceColor::white);
    EXPECT_TRUE(games.isGameOver());
}

} // namespace
} // namespace velkor::testing

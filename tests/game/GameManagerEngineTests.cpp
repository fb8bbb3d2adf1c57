#include "EngineGameFixture.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <algorithm>
#include <random>

namespace velkor {
namespace {

TEST_F(EngineGameTest, TheEngineAnswersTheUsersMovesWithItsOwnSettings) {
    const FakeEngine fake(FakeEngine::handshake(strengthOptions) +
                          answering({{"e7e5", "cp 20"}, {"b8c6", "cp 15"}}));
    EngineConfiguration config = engineAt(fake, QStringLiteral("Fake Black"));
    config.multiPV = 3;
    engines.setSelectedBlackEngine(config);
    series.active = false;
    manager.setEngineStrength(PieceColor::black, true, 1500);
    manager.setGameMode(GameMode::humanVsEngine);
    startGame();

    UCIEngineProcess* engine = manager.engineSeat(PieceColor::black).process();
    ASSERT_NE(engine, nullptr);
    EXPECT_EQ(manager.engineSeat(PieceColor::white).process(), nullptr);
    // A copy of the selection with this game's strength and a single line.
    EXPECT_EQ(engine->config().name, "Fake Black");
    EXPECT_EQ(engine->config().multiPV, 1);
    EXPECT_TRUE(engine->config().limitElo);
    EXPECT_EQ(engine->config().elo, 1500);
    EXPECT_EQ(engines.selectedBlackEngine()->multiPV, 3) << "the registry keeps its own";
    EXPECT_EQ(engines.selectedBlackEngine()->supportsLimitStrength, true)
        << "what the handshake showed is recorded";
    EXPECT_EQ(engines.strengthSupport(config),
              (EngineStrengthSupport{true, uci::SpinRange{1350, 2850}}))
        << "the announced Elo range too, for every control of that engine";
    EXPECT_EQ(manager.engineStatusText(), "Ready");
    EXPECT_EQ(sleepLog.acquired, 1);

    time.advance(4);
    move("e2", "e4");
    EXPECT_EQ(manager.currentlyThinkingColor(), PieceColor::black);
    EXPECT_EQ(manager.currentlyThinkingEngine(), engine->config());
    EXPECT_EQ(manager.engineStatusText(), "Thinking...");
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    EXPECT_EQ(manager.lastMove(), uciMove("e7e5"));
    EXPECT_EQ(manager.engineStatusText(), "Ready");
    EXPECT_FALSE(manager.currentlyThinkingColor());
    EXPECT_FALSE(manager.currentlyThinkingEngine());
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 299'000);
    EXPECT_EQ(manager.clock().blackRemainingMs(), 303'000) << "charged up to the arrival";
    EXPECT_EQ(manager.liveAnalysis().liveEvaluation().scoreCp, 20);
    EXPECT_EQ(manager.liveAnalysis().variations(),
              std::vector{manager.liveAnalysis().liveEvaluation()});

    move("g1", "f3");
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 4; }));
    EXPECT_EQ(manager.lastMove(), uciMove("b8c6"));
    EXPECT_TRUE(manager.liveAnalysis().moveAnalyses().empty()) << "only engine games are graded";
    EXPECT_EQ(fake.receivedCommands(),
              (QStringList{"uci", "setoption name UCI_LimitStrength value true",
                           "setoption name UCI_Elo value 1500", "isready", "ucinewgame", "isready",
                           "position startpos moves e2e4",
                           "go wtime 299000 btime 300000 winc 3000 binc 3000",
                           "position startpos moves e2e4 e7e5 g1f3",
                           "go wtime 302000 btime 303000 winc 3000 binc 3000"}));
    EXPECT_TRUE(manager.exportPGN().contains("[White \"Player\"]\n[Black \"Fake Black\"]"));

    manager.resign(PieceColor::white);
    EXPECT_EQ(sleepLog.released, 1);
}

TEST_F(EngineGameTest, EachThinkingModeAsksForItsKindOfSearch) {
    struct Case {
        TimeControlConfig config;
        QString go;
    };
    const std::vector<Case> cases{
        {{TimeControlPreset::blitz3_2, 5, 3, EngineThinkingMode::gameClock()},
         "go wtime 180000 btime 180000 winc 2000 binc 2000"},
        {{TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::gameClock()},
         "go wtime 0 btime 0 winc 0 binc 0"},
        {{TimeControlPreset::blitz3_2, 5, 3, EngineThinkingMode::fixedMoveTime(2.5)},
         "go movetime 2500"},
        {{TimeControlPreset::blitz3_2, 5, 3, EngineThinkingMode::fixedDepth(12)}, "go depth 12"},
    };
    manager.setGameMode(GameMode::humanVsEngine);
    manager.setColorChoice(PlayerColorChoice::black);
    for (const Case& test : cases) {
        const FakeEngine fake(FakeEngine::handshake());
        engines.setSelectedWhiteEngine(engineAt(fake, QStringLiteral("Fake")));
        manager.setTimeControlConfig(test.config);
        manager.startNewGame();
        ASSERT_TRUE(received(fake, test.go)) << test.go.toStdString();
        EXPECT_EQ(fake.receivedCommands().mid(4), (QStringList{"position startpos", test.go}));
        EXPECT_EQ(manager.currentlyThinkingColor(), PieceColor::white);
    }
}

// Two fake engines play the fool's mate; their evaluations grade every move but the mate.
TEST_F(EngineGameTest, EnginesPlayEachOtherAndTheirMovesAreGraded) {
    const FakeEngine white(FakeEngine::handshake() +
                           answering({{"f2f3", "cp 30"}, {"g2g4", "cp -300"}}));
    const FakeEngine black(FakeEngine::handshake() +
                           answering({{"e7e5", "cp 50"}, {"d8h4", "mate 1"}}));
    letEnginesPlay(white, black);
    series.active = false;
    manager.setTimeControlConfig(
        {TimeControlPreset::blitz3_2, 5, 3, EngineThinkingMode::fixedDepth(5)});
    manager.startNewGame();

    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::checkmate(PieceColor::black));
    ASSERT_EQ(manager.board().history().size(), 4u);
    const std::vector<MoveAnalysis>& graded = manager.liveAnalysis().moveAnalyses();
    ASSERT_EQ(graded.size(), 3u);
    // f3 from +30 to Black's -50 (White's side): 80 lost. e5 improved Black's lot: nothing
    // lost. g4 walked into a mate from -300: a blunder, 700 lost on the capped scale.
    const std::vector<std::tuple<std::int64_t, QString, double, double, QString>> expected{
        {1, "f3", -50, 80, "Fehler"}, {2, "e5", -300, 0, "Best"}, {3, "g4", -10000, 700, "Patzer"}};
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const auto& [ply, san, score, loss, text] = expected[i];
        EXPECT_EQ(graded[i].ply, ply);
        EXPECT_EQ(graded[i].san, san);
        EXPECT_EQ(graded[i].scoreFromWhiteCp, score);
        EXPECT_EQ(graded[i].centipawnLoss, loss);
        EXPECT_EQ(graded[i].classification(), text);
    }
    EXPECT_NE(graded[0].id, graded[1].id);
    EXPECT_TRUE(manager.liveAnalysis().pendingMove()) << "the mate is never graded";
    EXPECT_EQ(white.receivedCommands().mid(4),
              (QStringList{"position startpos", "go depth 5", "position startpos moves f2f3 e7e5",
                           "go depth 5"}));
    EXPECT_TRUE(manager.exportPGN().contains("[White \"White Fake\"]\n[Black \"Black Fake\"]"));
    EXPECT_EQ(sleepLog.acquired, 1);
    EXPECT_EQ(sleepLog.released, 1);

    // A load discards the whole grading.
    manager.loadPGN(manager.exportPGN().replace("0-1", "*"));
    EXPECT_TRUE(manager.liveAnalysis().moveAnalyses().empty());
    EXPECT_FALSE(manager.liveAnalysis().pendingMove());
    EXPECT_EQ(manager.liveAnalysis().liveEvaluation(), EngineEvaluation());
}

// A reply without an evaluation leaves the move it answers ungraded, and itself too.
TEST_F(EngineGameTest, OnlyAnEvaluationOfTheReplyGradesAMove) {
    const FakeEngine white(FakeEngine::handshake() +
                           answering({{"f2f3", "cp 30"}, {"g2g4", "cp -300"}}));
    const FakeEngine black(FakeEngine::handshake() + "once go\nsay bestmove e7e5\n" +
                           answering({{"d8h4", "mate 1"}}));
    letEnginesPlay(white, black);
    manager.startNewGame();

    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    ASSERT_EQ(manager.liveAnalysis().moveAnalyses().size(), 1u);
    EXPECT_EQ(manager.liveAnalysis().moveAnalyses().front().ply, 3);
    EXPECT_EQ(manager.liveAnalysis().moveAnalyses().front().san, "g4");
    EXPECT_EQ(manager.liveAnalysis().moveAnalyses().front().centipawnLoss, 700);
    EXPECT_EQ(manager.liveAnalysis().moveAnalyses().front().numberedSan(), "2. g4");
}

TEST_F(EngineGameTest, EachEngineMoveWaitsForThePauseAfterThePreviousOne) {
    const FakeEngine white(FakeEngine::handshake() + answering({{"e2e4", "cp 30"}}));
    const FakeEngine black(FakeEngine::handshake());
    letEnginesPlay(white, black);
    changeOptions([](EngineSessionOptions& changed) { changed.engineMovePause = 150ms; });
    QElapsedTimer sinceMove;
    QObject::connect(&manager, &GameManager::lastMoveChanged, [&] { sinceMove.start(); });
    manager.startNewGame();

    ASSERT_TRUE(received(black, QStringLiteral("position startpos moves e2e4")));
    ASSERT_TRUE(sinceMove.isValid());
    EXPECT_GE(sinceMove.elapsed(), 149);
}

TEST_F(EngineGameTest, AnIllegalMoveLosesTheGameForTheEngine) {
    const FakeEngine fake(FakeEngine::handshake() + answering({{"e2e5", "cp 10"}}));
    playAgainst(fake, PieceColor::black);

    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    const QString message = QStringLiteral("Engine returned an illegal move: e2e5");
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::resignation(PieceColor::black));
    EXPECT_EQ(manager.engineFailureMessage(), message);
    EXPECT_EQ(manager.engineStatusText(), message);
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_TRUE(manager.clockHistory().empty());
    EXPECT_FALSE(manager.clock().isRunning());
    ASSERT_NE(manager.engineSeat(PieceColor::white).process(), nullptr)
        << "the ended engine stays for its log";
    EXPECT_TRUE(
        waitUntil([&] { return !manager.engineSeat(PieceColor::white).process()->isRunning(); }));
    ASSERT_EQ(series.calls.size(), 1u);
    EXPECT_EQ(series.calls.front().engineFailure, message);
    EXPECT_TRUE(series.calls.front().pgn.contains("[Result \"0-1\"]"));
    velkor::testing::processEventsFor(20ms);
    EXPECT_TRUE(player.played.empty()) << "a failure plays no sound";
}

TEST_F(EngineGameTest, AnEngineThatDiesInMidGameLoses) {
    const FakeEngine fake(FakeEngine::handshake() + answering({{"e7e5", "cp 10"}}) +
                          "on go\nexit 3\n");
    playAgainst(fake, PieceColor::white);
    const std::optional<qint64> pid = fake.pid();
    move("e2", "e4");
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    move("g1", "f3");

    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::resignation(PieceColor::white));
    EXPECT_EQ(manager.engineFailureMessage(), "Engine process exited with status 3.");
    EXPECT_EQ(manager.board().history().size(), 3u);
    EXPECT_FALSE(manager.clock().isRunning());
    ASSERT_TRUE(pid);
    EXPECT_TRUE(velkor::testing::waitUntilGone(*pid));
    EXPECT_EQ(series.calls.size(), 1u);
}

// The engine finishes its search when the test says: a command the fake engine answers.
class EngineAnswerTimingTest : public EngineGameTest {
protected:
    EngineAnswerTimingTest() : fake(FakeEngine::handshake() + "on answer\nsay bestmove e7e5\n") {
        playAgainst(fake, PieceColor::white, TimeControlPreset::bullet1_0);
        time.advance(1);
        move("e2", "e4");
        EXPECT_TRUE(received(fake, QStringLiteral("go wtime 59000 btime 60000 winc 0 binc 0")));
    }

    // The answer arrives `afterSeconds` into Black's turn; the main thread hears of it only later.
    void answerAfter(double afterSeconds) {
        time.advance(afterSeconds);
        UCIEngineProcess* engine = manager.engineSeat(PieceColor::black).process();
        engine->send("answer");
        ASSERT_TRUE(spinUntil([&] { return engine->hasUnhandledBestMove(); }));
    }

    FakeEngine fake;
};

TEST_F(EngineAnswerTimingTest, AnAnswerThatArrivesAfterTheFlagIsNeverPlayed) {
    answerAfter(60.001);
    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::timeout(PieceColor::white));
    EXPECT_EQ(manager.board().history().size(), 1u);
    EXPECT_FALSE(manager.engineFailureMessage());
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_FALSE(manager.engineSeat(PieceColor::black).process()->hasUnhandledBestMove());
    EXPECT_EQ(series.calls.size(), 1u);
}

TEST_F(EngineAnswerTimingTest, AWaitingAnswerInTimeSurvivesTheClockReachingZero) {
    answerAfter(59.999);
    time.advance(5.0);
    manager.clock().tick();
    EXPECT_TRUE(manager.clock().isRunning()) << "the answer's arrival time decides";
    EXPECT_EQ(manager.clock().blackRemainingMs(), 0);

    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_EQ(manager.clock().blackRemainingMs(), 1);
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
    velkor::testing::processEventsFor(30ms);
    EXPECT_FALSE(manager.isGameOver());
}

TEST_F(EngineGameTest, EnginesStartOneAfterTheOtherAndAStartThatTimesOutLoses) {
    const FakeEngine white(FakeEngine::handshake().replace("on isready\nsay readyok",
                                                           "on isready\nsleep 150\nsay readyok"));
    const FakeEngine black(QStringLiteral("# never answers\n"));
    letEnginesPlay(white, black);
    changeOptions([](EngineSessionOptions& changed) { changed.handshakeTimeoutSeconds = 0.4; });
    int clockStarts = 0;
    QObject::connect(&manager.clock(), &ChessClock::isRunningChanged,
                     [&](bool running) { clockStarts += running ? 1 : 0; });
    manager.startNewGame();

    ASSERT_TRUE(received(white, QStringLiteral("ucinewgame")));
    EXPECT_TRUE(black.receivedCommands().isEmpty()) << "Black starts once White is ready";
    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::resignation(PieceColor::white));
    EXPECT_EQ(manager.engineFailureMessage(),
              "Engine failed to start or complete the UCI handshake.");
    EXPECT_EQ(black.receivedCommands().value(0), "uci");
    EXPECT_FALSE(black.receivedCommands().contains("isready"));
    EXPECT_EQ(clockStarts, 0);
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 300'000);
    EXPECT_TRUE(
        waitUntil([&] { return !manager.engineSeat(PieceColor::white).process()->isRunning(); }));
}

TEST_F(EngineGameTest, StrengthChangesReachTheThinkingEngineAndItsCard) {
    const FakeEngine fake(FakeEngine::handshake(strengthOptions));
    playAgainst(fake, PieceColor::black);
    ASSERT_TRUE(received(fake, QStringLiteral("go wtime 300000 btime 300000 winc 3000 binc 3000")));
    EXPECT_EQ(manager.currentlyThinkingColor(), PieceColor::white);
    int cardChanges = 0;
    QObject::connect(&manager, &GameManager::currentlyThinkingEngineChanged,
                     [&] { ++cardChanges; });

    manager.updateWhiteElo(true, 1500);
    EXPECT_TRUE(manager.engineSeat(PieceColor::white).limitElo());
    EXPECT_EQ(manager.engineSeat(PieceColor::white).elo(), 1500);
    ASSERT_TRUE(manager.currentlyThinkingEngine());
    EXPECT_TRUE(manager.currentlyThinkingEngine()->limitElo);
    EXPECT_EQ(manager.currentlyThinkingEngine()->elo, 1500);
    EXPECT_EQ(manager.currentlyThinkingEngine(),
              manager.engineSeat(PieceColor::white).process()->config());
    EXPECT_EQ(cardChanges, 1);
    EXPECT_TRUE(received(fake, QStringLiteral("setoption name UCI_Elo value 1500")));

    manager.updateBlackElo(true, 2000);
    EXPECT_EQ(manager.engineSeat(PieceColor::black).elo(), 2000);
    EXPECT_EQ(cardChanges, 1) << "Black has no engine and is not thinking";
    EXPECT_TRUE(engines.strengthSupport(*engines.selectedWhiteEngine()).canLimitStrength);

    manager.startNewGame();
    ASSERT_NE(manager.engineSeat(PieceColor::white).process(), nullptr);
    EXPECT_TRUE(manager.engineSeat(PieceColor::white).process()->config().limitElo)
        << "the next engine keeps it";
    EXPECT_EQ(manager.engineSeat(PieceColor::white).process()->config().elo, 1500);
}

TEST_F(EngineGameTest, AnEngineWithoutStrengthLimitIsReportedAsSuch) {
    const FakeEngine fake(FakeEngine::handshake());
    const EngineConfiguration plain = engineAt(fake, QStringLiteral("Plain"));
    EXPECT_TRUE(engines.strengthSupport(plain).canLimitStrength) << "not known yet";
    int learnt = 0;
    QObject::connect(&engines, &EngineManager::strengthSupportChanged, [&] { ++learnt; });
    playAgainst(fake, PieceColor::black);
    EXPECT_FALSE(engines.strengthSupport(*engines.selectedWhiteEngine()).canLimitStrength);
    // A copy made before the handshake (an engine of a running game, a series' choice) learns
    // it too: the registry knows it by the engine's path.
    EXPECT_EQ(engines.strengthSupport(plain), (EngineStrengthSupport{false, std::nullopt}));
    EXPECT_EQ(learnt, 1);
    manager.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return !manager.hasEngineStartTask(); }));
    EXPECT_EQ(learnt, 1) << "a handshake that tells nothing new changes nothing";
}

TEST_F(EngineGameTest, AMissingEngineLeavesTheGameWaiting) {
    series.active = false;
    manager.setGameMode(GameMode::humanVsEngine);
    manager.startNewGame();
    EXPECT_EQ(manager.engineStatusText(), "No engine configured");
    EXPECT_TRUE(manager.isPaused());
    EXPECT_EQ(manager.engineSeat(PieceColor::black).process(), nullptr);

    const FakeEngine fake(FakeEngine::handshake());
    engines.setSelectedWhiteEngine(engineAt(fake, QStringLiteral("White only")));
    manager.setGameMode(GameMode::engineVsEngine);
    manager.startNewGame();
    EXPECT_EQ(manager.engineStatusText(), "No engine configured");
    EXPECT_TRUE(manager.isPaused());
    EXPECT_EQ(manager.engineSeat(PieceColor::white).process(), nullptr)
        << "no half set of engines is kept";
    velkor::testing::processEventsFor(30ms);
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_TRUE(fake.receivedCommands().isEmpty());
    EXPECT_EQ(sleepLog.acquired, 0);
}

TEST_F(EngineGameTest, TheMachineStaysAwakeDuringEngineGamesAndSeries) {
    const FakeEngine fake(FakeEngine::handshake());
    series.active = false;
    playAgainst(fake, PieceColor::white);
    EXPECT_EQ(sleepLog.acquired, 1);
    manager.resign(PieceColor::white);
    EXPECT_EQ(sleepLog.released, 1);

    manager.startNewGame();
    EXPECT_EQ(sleepLog.acquired, 2);
    manager.stopCurrentGame();
    EXPECT_EQ(sleepLog.released, 2);

    // A running series keeps the machine awake between its games too.
    series.active = true;
    manager.startNewGame();
    manager.resign(PieceColor::black);
    EXPECT_EQ(sleepLog.acquired, 3);
    EXPECT_EQ(sleepLog.released, 2);
    series.active = false;
    manager.updateKeepAwake();
    EXPECT_EQ(sleepLog.released, 3);

    // A loaded finished position ends the engine game at once.
    manager.startNewGame();
    EXPECT_EQ(sleepLog.acquired, 4);
    manager.loadFEN("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1");
    EXPECT_EQ(sleepLog.released, 4);

    manager.setGameMode(GameMode::humanVsHuman);
    startGame();
    EXPECT_EQ(sleepLog.acquired, 4);
    EXPECT_FALSE(sleepGuard.isHeld());
}

TEST_F(EngineGameTest, UndoWhileTheEngineThinksTakesBackTheUsersMoveWithFreshEngines) {
    const FakeEngine fake(FakeEngine::handshake());
    playAgainst(fake, PieceColor::white);
    const QPointer<UCIEngineProcess> first(manager.engineSeat(PieceColor::black).process());
    time.advance(3);
    move("e2", "e4");
    ASSERT_TRUE(received(fake, QStringLiteral("position startpos moves e2e4")));

    manager.undoMove();
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_NE(manager.engineSeat(PieceColor::black).process(), first.data());
    EXPECT_FALSE(manager.currentlyThinkingColor());
    EXPECT_FALSE(manager.clock().isRunning()) << "the clock waits for the fresh engine";
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 300'000);
    ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
    EXPECT_TRUE(waitUntil([&] { return first.isNull(); })) << "the replaced engine is deleted";
}

TEST_F(EngineGameTest, PauseStopsTheSearchAndResumeStartsItAfresh) {
    const FakeEngine fake(FakeEngine::handshake() + "on stop\nsay bestmove e7e5\n");
    playAgainst(fake, PieceColor::white);
    move("e2", "e4");
    ASSERT_TRUE(received(fake, QStringLiteral("go wtime 303000 btime 300000 winc 3000 binc 3000")));

    manager.togglePause();
    ASSERT_TRUE(received(fake, QStringLiteral("stop")));
    UCIEngineProcess* engine = manager.engineSeat(PieceColor::black).process();
    ASSERT_TRUE(waitUntil([&] { return !engine->isThinking(); }));
    velkor::testing::processEventsFor(20ms);
    EXPECT_EQ(manager.board().history().size(), 1u) << "an answer while paused is ignored";
    EXPECT_FALSE(engine->hasUnhandledBestMove());

    manager.togglePause();
    EXPECT_EQ(manager.currentlyThinkingColor(), PieceColor::black);
    ASSERT_TRUE(waitUntil(
        [&] { return fake.receivedCommands().filter(QRegularExpression("^go ")).size() == 2; }));
    EXPECT_EQ(fake.receivedCommands().count("position startpos moves e2e4"), 2);
}

// Between engines the resumed turn waits for its pause before it searches again, so the answer of
// the stopped search arrives while nothing else is asked: it must still not be played.
TEST_F(EngineGameTest, APauseInAnEngineGameDropsTheStoppedSearchsAnswer) {
    const FakeEngine white(FakeEngine::handshake() +
                           "once go\n"
                           "on stop\nsay bestmove a2a3\n"
                           "once go\nsay info depth 5 score cp 20 pv e2e4\nsay bestmove e2e4\n");
    const FakeEngine black(FakeEngine::handshake() + answering({{"e7e5", "cp 10"}}));
    letEnginesPlay(white, black);
    changeOptions([](EngineSessionOptions& changed) { changed.engineMovePause = 100ms; });
    manager.startNewGame();
    const auto searches = [&] {
        return white.receivedCommands().filter(QRegularExpression("^go ")).size();
    };
    ASSERT_TRUE(waitUntil([&] { return searches() == 1; }));
    velkor::testing::processEventsFor(150ms);

    manager.togglePause();
    manager.togglePause();
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    EXPECT_EQ(manager.board().history().front().move, uciMove("e2e4"));
    EXPECT_EQ(searches(), 2) << "exactly one search after the resume";
    EXPECT_EQ(white.receivedCommands().filter(QRegularExpression("^stop$")).size(), 1);
    EXPECT_FALSE(manager.isGameOver());
}

TEST_F(EngineGameTest, APauseDuringStartUpOrBetweenEngineMovesSendsNoSearch) {
    const FakeEngine white(FakeEngine::handshake().replace("on isready\nsay readyok",
                                                           "on isready\nsleep 100\nsay readyok") +
                           answering({{"e2e4", "cp 30"}}));
    const FakeEngine black(FakeEngine::handshake());
    letEnginesPlay(white, black);
    changeOptions([](EngineSessionOptions& changed) { changed.engineMovePause = 100ms; });
    manager.startNewGame();

    // Resumed while the engines still start: the search waits until they are ready.
    manager.togglePause();
    manager.togglePause();
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 1; }));
    const QStringList commands = white.receivedCommands();
    EXPECT_GT(commands.indexOf("position startpos"), commands.lastIndexOf("isready"));
    EXPECT_EQ(commands.filter(QRegularExpression("^go ")).size(), 1);

    // Paused while Black's turn waits for its pause: no search follows.
    manager.togglePause();
    velkor::testing::processEventsFor(200ms);
    EXPECT_FALSE(black.receivedCommands().contains("go wtime 303000 btime 300000 winc 3000 "
                                                   "binc 3000"));
    manager.togglePause();
    EXPECT_TRUE(
        received(black, QStringLiteral("go wtime 303000 btime 300000 winc 3000 binc 3000")));
}

TEST_F(EngineGameTest, LoadsStartTheEnginesOfTheModeAndARejectedFenKeepsThem) {
    // Every load makes a fresh engine, which answers its first search with e7e5.
    const FakeEngine fake(FakeEngine::handshake() + answering({{"e7e5", "cp 0"}}));
    playAgainst(fake, PieceColor::white);
    const UCIEngineProcess* engine = manager.engineSeat(PieceColor::black).process();
    EXPECT_THROW(manager.loadFEN("not a position"), DomainError);
    EXPECT_EQ(manager.engineSeat(PieceColor::black).process(), engine);
    EXPECT_TRUE(engine->isRunning());

    manager.loadFEN("rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq d3 0 1");
    EXPECT_NE(manager.engineSeat(PieceColor::black).process(), engine);
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 1; }));
    EXPECT_EQ(manager.lastMove(), uciMove("e7e5"));
    EXPECT_TRUE(fake.receivedCommands().contains(
        "position fen rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq d3 0 1"));

    manager.loadPGN("1. e4 *");
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    EXPECT_EQ(manager.lastMove(), uciMove("e7e5"));
    EXPECT_TRUE(fake.receivedCommands().contains("position startpos moves e2e4"));
}

TEST_F(EngineGameTest, AHungEngineIsReplacedWithoutStallingTheGame) {
    const FakeEngine fake("ignore-term\nignore-quit\n" + FakeEngine::handshake());
    playAgainst(fake, PieceColor::white);
    const std::optional<qint64> pid = fake.pid();
    const QPointer<UCIEngineProcess> replaced(manager.engineSeat(PieceColor::black).process());
    manager.startNewGame();

    // No step of the event loop may wait for the old engine to give up.
    QElapsedTimer total;
    total.start();
    qint64 longestStep = 0;
    while (!replaced.isNull() && total.elapsed() < 5000) {
        QElapsedTimer step;
        step.start();
        velkor::testing::processEventsFor(1ms);
        longestStep = std::max(longestStep, step.elapsed());
    }
    EXPECT_TRUE(replaced.isNull());
    EXPECT_LT(longestStep, 100);
    ASSERT_TRUE(pid);
    EXPECT_TRUE(velkor::testing::waitUntilGone(*pid));
}

TEST_F(EngineGameTest, ReportsOfReplacedEnginesConcernNoLaterGame) {
    // The engine answers a while after it was replaced, as a hung engine that ignores the
    // request to end does before it is killed.
    const FakeEngine fake("ignore-term\nignore-quit\n" + FakeEngine::handshake() +
                          "on go\nsleep 100\nsay info depth 5 score cp 900 pv e7e5\n"
                          "say bestmove e7e5\n");
    playAgainst(fake, PieceColor::white);
    move("e2", "e4");
    ASSERT_TRUE(received(fake, QStringLiteral("position startpos moves e2e4")));
    const QPointer<UCIEngineProcess> replaced(manager.engineSeat(PieceColor::black).process());
    manager.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    ASSERT_TRUE(waitUntil(
        [&] { return replaced.isNull() || replaced->logLines().contains("< bestmove e7e5"); }));
    velkor::testing::processEventsFor(30ms);
    EXPECT_TRUE(manager.board().history().empty());
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_EQ(manager.liveAnalysis().liveEvaluation(), EngineEvaluation());

    // Evaluations and crashes reach the session through the engine's seat, a main-thread step
    // after the engine reported them, and only while that engine is still in the seat: reports
    // already on their way when it is replaced are dropped.
    EngineSeat seat;
    std::vector<EngineEvaluation> evaluations;
    QStringList failures;
    QObject::connect(&seat, &EngineSeat::evaluationReported,
                     [&](const EngineEvaluation& evaluation, const std::vector<EngineEvaluation>&) {
                         evaluations.push_back(evaluation);
                     });
    QObject::connect(&seat, &EngineSeat::engineFailed,
                     [&](const QString& message) { failures.append(message); });
    UCIEngineProcess& first = seat.seat(engineAt(fake, QStringLiteral("First")));
    EngineEvaluation late;
    late.scoreCp = 900;
    emit first.evaluationUpdated(late, {late});
    emit first.terminatedUnexpectedly("late crash");
    UCIEngineProcess& second = seat.seat(engineAt(fake, QStringLiteral("Second")));
    velkor::testing::processEventsFor(20ms);
    EXPECT_TRUE(evaluations.empty());
    EXPECT_TRUE(failures.isEmpty());
    emit second.evaluationUpdated(late, {late});
    EXPECT_TRUE(evaluations.empty()) << "a step later";
    EXPECT_TRUE(waitUntil([&] { return evaluations == std::vector{late}; }))
        << "the engine in the seat is heard";
}

TEST_F(EngineGameTest, OnlyTheFirstLineMovesTheLiveEvaluation) {
    const FakeEngine fake(FakeEngine::handshake() +
                          "on go\nsay info depth 3 multipv 1 score cp 10 pv e7e5\nsleep 250\n"
                          "say info depth 3 multipv 2 score cp -5 pv c7c5\n");
    playAgainst(fake, PieceColor::white);
    move("e2", "e4");
    ASSERT_TRUE(waitUntil([&] { return manager.liveAnalysis().variations().size() == 2; }));
    EXPECT_EQ(manager.liveAnalysis().liveEvaluation().scoreCp, 10);
    EXPECT_EQ(manager.liveAnalysis().variations()[1].scoreCp, -5);
}

// Engines that take a while to become ready, so the user can act during their start-up.
QString slowlyReady(const QString& answers) {
    return FakeEngine::handshake().replace("on isready\nsay readyok",
                                           "on isready\nsleep 300\nsay readyok") +
           answers;
}

TEST_F(EngineGameTest, UndoingAMoveMadeBeforeTheEngineWasReadyKeepsTheGameTimed) {
    const FakeEngine fake(slowlyReady(answering({{"e7e5", "cp 0"}})));
    engines.setSelectedBlackEngine(engineAt(fake, QStringLiteral("Fake")));
    manager.setGameMode(GameMode::humanVsEngine);
    manager.setColorChoice(PlayerColorChoice::white);
    manager.startNewGame();
    move("e2", "e4");
    ASSERT_EQ(manager.board().history().size(), 1u) << "the user may move at once";
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));

    manager.undoMove();
    EXPECT_TRUE(manager.board().history().empty());
    ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }))
        << "the clock runs again once the fresh engine is ready";
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
}

TEST_F(EngineGameTest, AResumeBeforeFreshEnginesAreReadyStillGivesTheEngineItsTurn) {
    const FakeEngine fake(slowlyReady(answering({{"e2e4", "cp 20"}})));
    playAgainst(fake, PieceColor::black);
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 1; }));

    manager.togglePause();
    manager.undoMove();
    ASSERT_TRUE(manager.board().history().empty());
    manager.togglePause(); // before the fresh engine is ready
    EXPECT_FALSE(manager.clock().isRunning()) << "the clock waits for the engine";
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 1; }))
        << "the fresh engine is asked for its move once ready";
    EXPECT_TRUE(manager.clock().isRunning());
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::black);
}

TEST_F(EngineGameTest, ALoadedGameThatGoesOnForgetsAnEarlierEngineFailure) {
    const FakeEngine fake(FakeEngine::handshake() + "on go\nsay bestmove e2e5\n");
    playAgainst(fake, PieceColor::black);
    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    ASSERT_TRUE(manager.engineFailureMessage());

    manager.loadPGN("1. e4 e5 1-0");
    EXPECT_TRUE(manager.engineFailureMessage()) << "a finished game keeps it";
    manager.loadPGN("1. e4 e5 *");
    EXPECT_FALSE(manager.engineFailureMessage());
}

// A slow engine answers a stopped search only after the next "go" has come. Whatever stops a
// search and starts another (a pause and resume in one step or a while apart, a strength change),
// the stale answer is never played and exactly one search runs, for the position on the board.
TEST_F(EngineGameTest, AnswersOfStoppedSearchesAreNeverPlayed) {
    const FakeEngine fake(FakeEngine::handshake(strengthOptions) +
                          // Searches 1, 3 and 5 think until the next "go"; 2, 4 and 6 then
                          // answer the stopped search first and themselves at once.
                          "once go\n"
                          "once go\nsay bestmove e7e5\nsay info depth 5 score cp 10 pv c7c5\n"
                          "say bestmove c7c5\n"
                          "once go\n"
                          "once go\nsay bestmove b8c6\nsay bestmove d7d6\n"
                          "once go\n"
                          "once go\nsay bestmove c5d4\nsay bestmove g8f6\n");
    playAgainst(fake, PieceColor::white);
    const auto commands = [&] { return fake.receivedCommands(); };
    const auto count = [&](const QString& pattern) {
        return commands().filter(QRegularExpression(pattern)).size();
    };
    const auto playedPlies = [&](std::size_t plies) {
        return waitUntil([&] { return manager.board().history().size() == plies; });
    };

    move("e2", "e4");
    ASSERT_TRUE(waitUntil([&] { return count("^go ") == 1; }));
    manager.togglePause();
    manager.togglePause();
    ASSERT_TRUE(playedPlies(2));
    EXPECT_EQ(manager.lastMove(), uciMove("c7c5"));

    move("g1", "f3");
    ASSERT_TRUE(waitUntil([&] { return count("^go ") == 3; }));
    manager.updateBlackElo(true, 1600);
    ASSERT_TRUE(playedPlies(4));
    EXPECT_EQ(manager.lastMove(), uciMove("d7d6"));
    const QStringList afterStrength = commands();
    const qsizetype elo = afterStrength.indexOf("setoption name UCI_Elo value 1600");
    EXPECT_GT(elo, afterStrength.lastIndexOf("stop")) << "options only while the engine idles";
    EXPECT_LT(elo, afterStrength.lastIndexOf(QRegularExpression("go .*")));

    move("d2", "d4");
    ASSERT_TRUE(waitUntil([&] { return count("^go ") == 5; }));
    manager.togglePause();
    ASSERT_TRUE(waitUntil([&] { return count("^stop$") == 3; }));
    velkor::testing::processEventsFor(50ms);
    manager.togglePause();
    ASSERT_TRUE(playedPlies(6));
    EXPECT_EQ(manager.lastMove(), uciMove("g8f6"));

    velkor::testing::processEventsFor(50ms);
    EXPECT_EQ(manager.board().history().size(), 6u);
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_FALSE(manager.engineFailureMessage());
    EXPECT_EQ(count("^go "), 6) << "one search per turn and per resume";
    EXPECT_FALSE(manager.engineSeat(PieceColor::black).process()->isThinking());
    EXPECT_FALSE(manager.currentlyThinkingColor());
    EXPECT_EQ(manager.engineStatusText(), "Ready");
}

// "bestmove (none)" or "0000" says there is no legal move; with legal moves on the board the
// engine has failed, and waiting for another answer would wait for ever.
TEST_F(EngineGameTest, NoMoveWhileMovesExistLosesTheGameForTheEngine) {
    series.active = false;
    for (const QString& answer : {QStringLiteral("(none)"), QStringLiteral("0000")}) {
        const FakeEngine fake(FakeEngine::handshake() + "on go\nsay bestmove " + answer + "\n");
        playAgainst(fake, PieceColor::black, TimeControlPreset::unlimited);
        ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
        const QString message = "Engine returned an illegal move: " + answer;
        EXPECT_EQ(manager.gameEndReason(), GameEndReason::resignation(PieceColor::black));
        EXPECT_EQ(manager.engineFailureMessage(), message);
        EXPECT_EQ(manager.engineStatusText(), message);
        EXPECT_FALSE(sleepGuard.isHeld());
    }
}

// The clock, the engine's increments and the PGN follow the time control the game was started
// with; an edit during the game waits for the next one.
TEST_F(EngineGameTest, EditsOfTheTimeControlWaitForTheNextGame) {
    const FakeEngine fake(FakeEngine::handshake());
    playAgainst(fake, PieceColor::white);
    manager.setTimeControlConfig(
        {TimeControlPreset::custom, 10, 7, EngineThinkingMode::gameClock()});
    move("e2", "e4");
    EXPECT_TRUE(received(fake, QStringLiteral("go wtime 303000 btime 300000 winc 3000 binc 3000")));
    EXPECT_TRUE(manager.exportPGN().contains("[TimeControl \"300+3\"]"));

    manager.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    move("e2", "e4");
    EXPECT_TRUE(received(fake, QStringLiteral("go wtime 607000 btime 600000 winc 7000 binc 7000")));
    EXPECT_TRUE(manager.exportPGN().contains("[TimeControl \"600+7\"]"));
}

// The user may move before the engine is ready: the engine hears of it only once it is. A game
// that ends while its engines start never starts its clock.
TEST_F(EngineGameTest, AnEngineStillStartingGetsNoSearchAndAnEndMeanwhileKeepsTheClockStill) {
    const FakeEngine fake(FakeEngine::handshake().replace("on isready\nsay readyok",
                                                          "on isready\nsleep 150\nsay readyok") +
                          answering({{"e7e5", "cp 5"}}));
    engines.setSelectedBlackEngine(engineAt(fake, QStringLiteral("Fake")));
    manager.setGameMode(GameMode::humanVsEngine);
    manager.setTimeControlConfig(
        {TimeControlPreset::blitz5_3, 5, 3, EngineThinkingMode::gameClock()});
    manager.startNewGame();
    ASSERT_TRUE(manager.hasEngineStartTask());
    move("e2", "e4");
    ASSERT_EQ(manager.board().history().size(), 1u);
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    const QStringList commands = fake.receivedCommands();
    EXPECT_GT(commands.indexOf("position startpos moves e2e4"), commands.lastIndexOf("isready"));
    EXPECT_EQ(commands.filter(QRegularExpression("^go ")).size(), 1);

    manager.startNewGame();
    ASSERT_TRUE(manager.hasEngineStartTask());
    manager.resign(PieceColor::white);
    ASSERT_TRUE(waitUntil([&] { return !manager.hasEngineStartTask(); }));
    velkor::testing::processEventsFor(20ms);
    EXPECT_FALSE(manager.clock().isRunning());
    EXPECT_EQ(manager.engineStatusText(), "Ready");
}

TEST_F(EngineGameTest, EngineGamesClaimRepetitionAtOnce) {
    const QList<std::pair<QString, QString>> whiteMoves{
        {"g1f3", "cp 0"}, {"f3g1", "cp 0"}, {"g1f3", "cp 0"}, {"f3g1", "cp 0"}};
    const QList<std::pair<QString, QString>> blackMoves{
        {"g8f6", "cp 0"}, {"f6g8", "cp 0"}, {"g8f6", "cp 0"}, {"f6g8", "cp 0"}};
    const FakeEngine white(FakeEngine::handshake() + answering(whiteMoves));
    const FakeEngine black(FakeEngine::handshake() + answering(blackMoves));
    letEnginesPlay(white, black);
    manager.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return manager.isGameOver(); }));
    EXPECT_EQ(manager.board().history().size(), 8u);
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::threefoldRepetition());
}

// A claimed draw tells the thinking engine to stop; an undo in an engine game drops the grades.
TEST_F(EngineGameTest, AClaimedDrawStopsTheThinkingEngineAndAnUndoDropsTheGrades) {
    const FakeEngine thinker(FakeEngine::handshake());
    playAgainst(thinker, PieceColor::black);
    manager.loadPGN(QStringLiteral("1. Nf3 Nf6 2. Ng1 Ng8 3. Nf3 Nf6 4. Ng1 Ng8 *"));
    const QString repeated =
        QStringLiteral("position startpos moves g1f3 g8f6 f3g1 f6g8 g1f3 g8f6 f3g1 f6g8");
    ASSERT_TRUE(received(thinker, repeated));
    ASSERT_TRUE(waitUntil([&] {
        const QStringList commands = thinker.receivedCommands();
        return commands.lastIndexOf(QRegularExpression("go .*")) > commands.indexOf(repeated);
    }));
    manager.claimDraw();
    EXPECT_EQ(manager.gameEndReason(), GameEndReason::threefoldRepetition());
    EXPECT_TRUE(waitUntil([&] { return thinker.receivedCommands().endsWith("stop"); }));

    const FakeEngine white(FakeEngine::handshake() +
                           answering({{"f2f3", "cp 30"}, {"g2g4", "cp -300"}}));
    const FakeEngine black(FakeEngine::handshake() + answering({{"e7e5", "cp 50"}}));
    letEnginesPlay(white, black);
    manager.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 3; }));
    ASSERT_EQ(manager.liveAnalysis().moveAnalyses().size(), 2u);
    manager.undoMove();
    EXPECT_EQ(manager.board().history().size(), 2u);
    EXPECT_TRUE(manager.liveAnalysis().moveAnalyses().empty());
    EXPECT_FALSE(manager.liveAnalysis().pendingMove());
}

// A legal game of `plies` half-moves that neither ends nor offers a draw claim on the way:
// random moves from a fixed seed, each chosen among those that keep the game going.
std::vector<std::string> longGame(std::size_t plies) {
    ChessBoard board;
    std::mt19937 random(7);
    std::vector<std::string> moves;
    while (moves.size() < plies) {
        std::vector<Move> legal = board.generateLegalMoves();
        std::shuffle(legal.begin(), legal.end(), random);
        const auto keepsGoing = std::find_if(legal.begin(), legal.end(), [&](const Move& move) {
            ChessBoard next = board;
            return next.play(move) && !next.gameEndReason() && !next.claimableDrawReason();
        });
        if (keepsGoing == legal.end()) {
            return {};
        }
        board.play(*keepsGoing);
        moves.push_back(keepsGoing->uciString());
    }
    return moves;
}

// The value of `name` ("wtime") in a go command, if it has one.
std::optional<std::int64_t> goValue(const QString& command, const QString& name) {
    const QStringList words = command.split(QLatin1Char(' '));
    const qsizetype at = words.indexOf(name);
    if (at < 0 || at + 1 >= words.size()) {
        return std::nullopt;
    }
    return words[at + 1].toLongLong();
}

// Between engine moves the game waits so that a person can follow them. That wait is nobody's
// thinking time: over 200 plies of a 1+0 game each clock loses exactly what its engine reported
// thinking, and each engine is told the time it really has.
TEST_F(EngineGameTest, ThePauseBetweenEngineMovesCostsNeitherClock) {
    const std::vector<std::string> game = longGame(200);
    ASSERT_EQ(game.size(), 200u);
    // Each engine answers when the test says, after the test has moved the time on by its
    // thinking time, and reports that time as engines do.
    const auto thinkingMs = [](std::size_t ply) {
        return static_cast<std::int64_t>(100 + 50 * (ply % 5));
    };
    QString whiteScript = FakeEngine::handshake();
    QString blackScript = FakeEngine::handshake();
    for (std::size_t ply = 0; ply < game.size(); ++ply) {
        const QString move = QString::fromStdString(game[ply]);
        (ply % 2 == 0 ? whiteScript : blackScript) +=
            QStringLiteral("once answer\nsay info depth 1 time %1 score cp 0 pv %2\n"
                           "say bestmove %2\n")
                .arg(thinkingMs(ply))
                .arg(move);
    }
    const FakeEngine white(whiteScript);
    const FakeEngine black(blackScript);
    letEnginesPlay(white, black);
    changeOptions([](EngineSessionOptions& changed) { changed.engineMovePause = 5ms; });
    manager.setTimeControlConfig(
        {TimeControlPreset::bullet1_0, 5, 3, EngineThinkingMode::gameClock()});
    // The pause passes as 0.7 s of game time, with a clock refresh in it: charged to the side to
    // move, it would flag both sides long before the 200th ply.
    QObject::connect(&manager, &GameManager::currentlyThinkingColorChanged,
                     [&](std::optional<PieceColor> color) {
                         if (color) {
                             time.advance(0.7);
                             manager.clock().tick();
                         }
                     });
    manager.startNewGame();

    std::int64_t reported[2] = {0, 0};
    for (std::size_t ply = 0; ply < game.size(); ++ply) {
        const bool whiteMoves = ply % 2 == 0;
        const FakeEngine& mover = whiteMoves ? white : black;
        const auto searches = [&] {
            return mover.receivedCommands().filter(QRegularExpression("^go ")).size();
        };
        const qsizetype expectedSearches = static_cast<qsizetype>(ply / 2 + 1);
        ASSERT_TRUE(waitUntil([&] {
            return searches() == expectedSearches || manager.isGameOver();
        })) << "ply "
            << ply;
        ASSERT_FALSE(manager.isGameOver())
            << "ply " << ply << ": " << manager.clock().whiteRemainingMs() << " / "
            << manager.clock().blackRemainingMs();
        // What the engine was told is what its clock holds: the base less its own reported time,
        // within 50 ms per move it made.
        const QString go = mover.receivedCommands().filter(QRegularExpression("^go ")).last();
        const auto whiteMade = static_cast<std::int64_t>(ply / 2 + ply % 2);
        const auto blackMade = static_cast<std::int64_t>(ply / 2);
        EXPECT_LE(std::abs(goValue(go, "wtime").value_or(-1) - (60000 - reported[0])),
                  50 * std::max<std::int64_t>(1, whiteMade))
            << qPrintable(go);
        EXPECT_LE(std::abs(goValue(go, "btime").value_or(-1) - (60000 - reported[1])),
                  50 * std::max<std::int64_t>(1, blackMade))
            << qPrintable(go);

        UCIEngineProcess* engine = whiteMoves ? manager.engineSeat(PieceColor::white).process()
                                              : manager.engineSeat(PieceColor::black).process();
        ASSERT_NE(engine, nullptr);
        time.advance(static_cast<double>(thinkingMs(ply)) / 1000.0);
        reported[whiteMoves ? 0 : 1] += thinkingMs(ply);
        engine->send("answer");
        ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == ply + 1; }))
            << "ply " << ply;
    }
    EXPECT_FALSE(manager.isGameOver());
    EXPECT_LE(std::abs(manager.clock().whiteRemainingMs() - (60000 - reported[0])), 50 * 100);
    EXPECT_LE(std::abs(manager.clock().blackRemainingMs() - (60000 - reported[1])), 50 * 100);
}

// The game the program opens on waits for the person: the clock starts with the first move. A
// game the person starts runs the clock as soon as the engines are ready.
TEST_F(EngineGameTest, TheOpeningGameClockStartsWithTheFirstMove) {
    const FakeEngine fake(FakeEngine::handshake() + answering({{"e7e5", "cp 10"}}));
    engines.setSelectedBlackEngine(engineAt(fake, QStringLiteral("Fake")));
    manager.setGameMode(GameMode::humanVsEngine);
    manager.setColorChoice(PlayerColorChoice::white);
    manager.setTimeControlConfig(
        {TimeControlPreset::bullet1_0, 5, 3, EngineThinkingMode::gameClock()});
    manager.startOpeningGame();
    ASSERT_TRUE(waitUntil([&] { return !manager.hasEngineStartTask(); }));

    time.advance(30);
    manager.clock().tick();
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 60000);
    EXPECT_EQ(manager.clock().activeColor(), PieceColor::white);
    // A pause and resume before the first move starts nothing either.
    manager.togglePause();
    manager.togglePause();
    time.advance(10);
    manager.clock().tick();
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 60000);

    move("e2", "e4");
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 60000);
    time.advance(4);
    manager.clock().tick();
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 56000) << "from the first move on it runs";

    manager.startNewGame();
    ASSERT_TRUE(waitUntil([&] { return !manager.hasEngineStartTask(); }));
    time.advance(3);
    manager.clock().tick();
    EXPECT_EQ(manager.clock().whiteRemainingMs(), 57000);
}

// An engine speaks for its own side; the game shows every score from White's side, the lines in
// SAN with move numbers, and a position gone back to keeps the score it was given.
TEST_F(EngineGameTest, ScoresReadFromWhitesSideAndAnUndoShowsWhatWasKnown) {
    const FakeEngine fake(FakeEngine::handshake() +
                          "once go\nsay info depth 5 score cp 35 pv e7e5 g1f3 b8c6\n"
                          "say bestmove e7e5\n"
                          "once go\nsay info depth 6 score cp -120 pv b8c6 f1b5\n"
                          "say bestmove b8c6\n");
    playAgainst(fake, PieceColor::white);
    EXPECT_FALSE(manager.shownScore()) << "nothing is known of the start position";

    move("e2", "e4");
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 2; }));
    ASSERT_EQ(manager.liveAnalysis().shownVariations().size(), 1u);
    EXPECT_EQ(manager.liveAnalysis().shownVariations().front().moves,
              QStringLiteral("1… e5 2. Nf3 Nc6"));
    EXPECT_EQ(manager.liveAnalysis().shownVariations().front().score,
              WhiteScore::fromCentipawns(-35));
    // The engine's reply was the move it expected: its score holds for the position it left.
    EXPECT_EQ(manager.shownScore(), WhiteScore::fromCentipawns(-35));

    move("g1", "f3");
    ASSERT_TRUE(waitUntil([&] { return manager.board().history().size() == 4; }));
    EXPECT_EQ(manager.liveAnalysis().shownVariations().front().moves,
              QStringLiteral("2… Nc6 3. Bb5"));
    ASSERT_TRUE(manager.shownScore());
    EXPECT_EQ(manager.shownScore()->formatted(), "+1.20");
    // The engine's own words stay in its log.
    EXPECT_TRUE(manager.engineSeat(PieceColor::black)
                    .process()
                    ->logLines()
                    .contains(QStringLiteral("< info depth 6 score cp -120 pv b8c6 f1b5")));

    manager.undoMove();
    ASSERT_EQ(manager.board().history().size(), 2u);
    EXPECT_EQ(manager.liveAnalysis().liveEvaluation(), EngineEvaluation());
    EXPECT_EQ(manager.shownScore(), WhiteScore::fromCentipawns(-35)) << "not an even 0.00";
    manager.inspectMove(0);
    EXPECT_EQ(manager.shownScore(), WhiteScore::fromCentipawns(-35));
    manager.inspectMove(std::nullopt);
    manager.undoMove();
    ASSERT_TRUE(manager.board().history().empty());
    EXPECT_FALSE(manager.shownScore());
}

} // namespace
} // namespace velkor

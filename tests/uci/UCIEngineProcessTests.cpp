#include "FakeEngine.h"
#include "QtTestSupport.h"
#include "uci/EngineOptionEditor.h"
#include "uci/UCIEngineProcess.h"

#include <QElapsedTimer>
#include <QTemporaryFile>
#include <csignal>
#include <functional>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>
#include <thread>

namespace velkor {
namespace {

using namespace std::chrono_literals;
using testing::FakeEngine;
using testing::waitUntil;

const QStringList strengthOptions{"option name Skill Level type spin default 20 min 0 max 20",
                                  "option name UCI_LimitStrength type check default false",
                                  "option name UCI_Elo type spin default 1350 min 1350 max 2850"};

// A configuration that sends no optional lines.
EngineConfiguration plainConfig(const QString& path) {
    EngineConfiguration config = EngineConfiguration::makeNew("Fake", path, {});
    config.threads = 1;
    config.hashMB = 0;
    config.multiPV.reset();
    return config;
}

// Waits without running the event loop, so that the main thread takes nothing meanwhile.
bool spinUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

// An engine process with the short time limits of the tests.
class Engine {
public:
    explicit Engine(EngineConfiguration config, platform::TimeSource clock = platform::systemUptime)
        : process(std::make_unique<UCIEngineProcess>(std::move(config), 0.5,
                                                     EngineProcessEnvironment{clock, 200ms})) {
        QObject::connect(process.get(), &UCIEngineProcess::terminatedUnexpectedly,
                         [this](const QString& message) { terminations.append(message); });
    }
    explicit Engine(const FakeEngine& fake) : Engine(plainConfig(fake.path())) {}

    bool start() { return QCoro::waitFor(process->start()); }
    bool logHas(const QString& line) const {
        return waitUntil([&] { return process->logLines().contains(line); }, 3s);
    }
    UCIEngineProcess* operator->() const { return process.get(); }
    // Destroys the object; its child must be gone when that returns.
    bool destroyLeavesNoChild(const FakeEngine& fake) {
        const auto pid = fake.pid();
        process.reset();
        return pid && testing::processIsGone(*pid);
    }

    std::unique_ptr<UCIEngineProcess> process;
    QStringList terminations;
};

TEST(UCIEngineProcess, SendsTheOptionLinesInTheFixedOrderWithTheEloClamped) {
    const FakeEngine fake(FakeEngine::handshake(
        QStringList{"option name Threads type spin default 1 min 1 max 512",
                    "option name Hash type spin default 16 min 1 max 33554432"} +
        strengthOptions));
    EngineConfiguration config = EngineConfiguration::makeNew("Fake", fake.path(), {});
    config.threads = 4;
    config.hashMB = 128;
    config.skillLevel = 5;
    config.limitElo = true;
    config.elo = 3190;
    Engine engine(config);

    ASSERT_TRUE(engine.start());
    EXPECT_TRUE(engine->isRunning());
    EXPECT_EQ(engine->canLimitStrength(), true);
    EXPECT_EQ(fake.receivedCommands(),
              (QStringList{"uci", "setoption name Threads value 4", "setoption name Hash value 128",
                           "setoption name Skill Level value 5",
                           "setoption name UCI_LimitStrength value true",
                           "setoption name UCI_Elo value 2850", "setoption name MultiPV value 3",
                           "isready"}));
    ASSERT_TRUE(engine.logHas("< readyok"));
    EXPECT_EQ(engine->logLines().mid(0, 2),
              (QStringList{"Started engine process: " + fake.path(), "> uci"}));
    EXPECT_TRUE(engine->logLines().contains("< id name Fake Engine"));
    EXPECT_EQ(engine->config().elo, 3190);
}

TEST(UCIEngineProcess, SendsOnlyTheLinesTheConfigurationAndTheEngineCallFor) {
    const FakeEngine strong(FakeEngine::handshake(strengthOptions));
    Engine full(plainConfig(strong.path()));
    ASSERT_TRUE(full.start());
    EXPECT_EQ(strong.receivedCommands(),
              (QStringList{"uci", "setoption name UCI_LimitStrength value false", "isready"}));

    const FakeEngine plain(FakeEngine::handshake());
    EngineConfiguration limited = plainConfig(plain.path());
    limited.limitElo = true;
    limited.skillLevel = 3;
    limited.multiPV = 1;
    Engine weak(limited);
    ASSERT_TRUE(weak.start());
    EXPECT_EQ(weak->canLimitStrength(), false);
    EXPECT_EQ(plain.receivedCommands(), (QStringList{"uci", "isready"}));
    EXPECT_TRUE(weak.logHas("Engine offers no UCI_LimitStrength: the Elo limit is ignored, it "
                            "plays at full strength."));
}

const QStringList declaredOptions{
    "option name Hash type spin default 16 min 1 max 33554432",
    "option name Threads type spin default 1 min 1 max 1024",
    "option name Clear Hash type button",
    "option name Ponder type check default false",
    "option name Style type combo default Normal var Solid var Normal var Risky",
    "option name SyzygyPath type string default <empty>",
    "option name EvalFile type string default nn.nnue",
    "option name UCI_Chess960 type check default false",
    "option name Skill Level type spin default 20 min 0 max 20",
    "option name Contempt type spin default 0 min 100 max -100"};

QStringList optionNames(const std::vector<uci::UciOption>& options) {
    QStringList names;
    for (const auto& option : options) {
        names.append(QString::fromStdString(option.name));
    }
    return names;
}

TEST(UCIEngineProcess, StartsWithTheStoredOptionsThatDifferFromTheEnginesDefaults) {
    const FakeEngine fake(FakeEngine::handshake(declaredOptions));
    EngineConfiguration config = plainConfig(fake.path());
    config.optionValues = {
        {"Hash", "256"},         {"Style", "risky"},       {"SyzygyPath", "/tb/a:/tb/b"},
        {"EvalFile", "nn.nnue"}, {"Skill Level", "20"},    {"Clear Hash", "true"},
        {"Ponder", "true"},      {"UCI_Chess960", "true"}, {"Contempt", "50"},
        {"threads", "8"},        {"Variant", "atomic"}};
    Engine engine(config);
    ASSERT_TRUE(engine.start());

    // The malformed line costs only itself; Ponder and UCI_Chess960 are set by the program.
    EXPECT_EQ(optionNames(engine->declaredOptions()).size(), 9);
    EXPECT_EQ(optionNames(engine->freeOptions()),
              (QStringList{"Hash", "Threads", "Clear Hash", "Style", "SyzygyPath", "EvalFile",
                           "Skill Level"}));
    EXPECT_TRUE(engine.logHas("Skipped malformed option line: " + declaredOptions.last()));
    ASSERT_TRUE(engine.logHas("< readyok"));
    QStringList written;
    for (const QString& line : engine->logLines()) {
        if (line.startsWith("> ")) {
            written.append(line);
        }
    }
    EXPECT_EQ(written,
              (QStringList{"> uci", "> setoption name Threads value 8",
                           "> setoption name Hash value 256", "> setoption name Style value Risky",
                           "> setoption name SyzygyPath value /tb/a:/tb/b", "> isready"}));

    // Later changes are checked against the declaration and go out while the engine is idle.
    EXPECT_FALSE(engine->setOptionValue("Hash", "0"));
    EXPECT_FALSE(engine->setOptionValue("Hash", "33554433"));
    EXPECT_FALSE(engine->setOptionValue("Style", "Wild"));
    EXPECT_FALSE(engine->setOptionValue("SyzygyPath", "/tb\nquit"));
    EXPECT_FALSE(engine->setOptionValue("Ponder", "true"));
    EXPECT_FALSE(engine->setOptionValue("Variant", "atomic"));
    EXPECT_FALSE(engine->pressButton("Style"));
    EXPECT_TRUE(engine->setOptionValue("HASH", "512"));
    EXPECT_TRUE(engine->pressButton("clear hash"));
    EXPECT_EQ(engine->config().optionValues.value("Hash"), "512");
    ASSERT_TRUE(waitUntil([&] { return fake.receivedCommands().size() == 8; }));
    EXPECT_EQ(fake.receivedCommands().mid(6),
              (QStringList{"setoption name Hash value 512", "setoption name Clear Hash"}));

    // Nothing is set while a search runs: an engine may read options only between searches.
    auto search = engine->search({.depth = 30});
    ASSERT_TRUE(waitUntil([&] { return engine->isThinking(); }));
    EXPECT_FALSE(engine->setOptionValue("Threads", "2"));
    EXPECT_FALSE(engine->pressButton("Clear Hash"));
    engine->send("isready");
    ASSERT_TRUE(engine.logHas("> isready"));
    EXPECT_FALSE(engine->logLines().join('\n').contains("Threads value 2"));
    EXPECT_EQ(engine->config().optionValues.value("Hash"), "512");
    // The stopped search completes, so no waiting coroutine outlives the test.
    engine->stop();
    QCoro::waitFor(std::move(search));
}

TEST(UCIEngineProcess, OptionEditorRefusesWhatTheEngineWouldNotTakeAndRestoresDefaults) {
    const FakeEngine fake(FakeEngine::handshake(declaredOptions));
    EngineConfiguration config = plainConfig(fake.path());
    // A record from before option values: its own fields give Threads, Hash and Skill Level.
    config.threads = 2;
    config.hashMB = 64;
    config.skillLevel = 25;
    config.optionValues = {{"Variant", "atomic"}, {"Style", "Unheard"}};
    Engine engine(config);
    ASSERT_TRUE(engine.start());

    EngineOptionEditor editor(engine->declaredOptions(), engine->config());
    EXPECT_EQ(optionNames(editor.options()), optionNames(engine->freeOptions()));
    EXPECT_EQ(editor.value("Threads"), "2");
    EXPECT_EQ(editor.value("Hash"), "64");
    EXPECT_EQ(editor.value("Skill Level"), "20");
    EXPECT_EQ(editor.value("Style"), "Normal");
    EXPECT_EQ(editor.value("SyzygyPath"), "");
    EXPECT_EQ(editor.value("Ponder"), "");

    EXPECT_FALSE(editor.setValue("Hash", "0"));
    EXPECT_FALSE(editor.setValue("Threads", "1025"));
    EXPECT_FALSE(editor.setValue("Skill Level", "-1"));
    EXPECT_FALSE(editor.setValue("Style", "Wild"));
    EXPECT_FALSE(editor.setValue("EvalFile", "a\nb"));
    EXPECT_FALSE(editor.setValue("Ponder", "true"));
    EXPECT_FALSE(editor.setValue("Clear Hash", ""));
    EXPECT_EQ(editor.value("Hash"), "64");
    EXPECT_EQ(editor.value("Threads"), "2");
    EXPECT_TRUE(editor.setValue("threads", "+4"));
    EXPECT_TRUE(editor.setValue("Style", "solid"));
    EXPECT_TRUE(editor.setValue("SyzygyPath", "/tb/a:/tb/b"));
    EXPECT_EQ(editor.value("Threads"), "4");
    EXPECT_EQ(editor.value("Style"), "Solid");
    // Values of options this engine does not declare are kept as they were.
    EXPECT_EQ(editor.optionValues(), (QMap<QString, QString>{{"Threads", "4"},
                                                             {"Hash", "64"},
                                                             {"Skill Level", "20"},
                                                             {"Style", "Solid"},
                                                             {"SyzygyPath", "/tb/a:/tb/b"},
                                                             {"Variant", "atomic"}}));

    editor.restoreDefaults();
    EXPECT_EQ(editor.value("Style"), "Normal");
    // The older fields must not bring Threads 2 and Hash 64 back after a restore.
    EngineConfiguration restored = config;
    restored.optionValues = editor.optionValues();
    EXPECT_EQ(restored.optionValues,
              (QMap<QString, QString>{
                  {"Threads", "1"}, {"Hash", "16"}, {"Skill Level", "20"}, {"Variant", "atomic"}}));
    Engine again(restored);
    ASSERT_TRUE(again.start());
    EXPECT_EQ(fake.receivedCommands().mid(4), (QStringList{"uci", "isready"}));
}

TEST(UCIEngineProcess, AMatchRunsWithItsOverridesOverTheStoredOptions) {
    const FakeEngine fake(FakeEngine::handshake(declaredOptions));
    EngineConfiguration config = plainConfig(fake.path());
    config.optionValues = {{"hash", "256"}, {"Style", "Risky"}, {"Threads", "4"}};
    const EngineConfiguration run = withOverrides(
        config, {{"Hash", "32"}, {"Style", "Wild"}, {"Skill Level", "5"}, {"HASH", "48"}});
    EXPECT_EQ(config.optionValues.size(), 3);
    EXPECT_EQ(run.optionValues.size(), 4);

    Engine engine(run);
    ASSERT_TRUE(engine.start());
    // The last override of an option wins; one the engine does not take is not sent, and the
    // stored value it replaced does not come back for this run.
    EXPECT_EQ(fake.receivedCommands(),
              (QStringList{"uci", "setoption name Threads value 4", "setoption name Hash value 48",
                           "setoption name Skill Level value 5", "isready"}));
    EXPECT_TRUE(
        engine.logHas("Stored value for option Style is not accepted by the engine; not sent."));
}

TEST(UCIEngineProcess, UpdateEloSendsWhatTheEngineAccepts) {
    Engine unstarted(plainConfig("/nowhere"));
    unstarted->updateElo(true, 5000);
    EXPECT_TRUE(unstarted.logHas("> setoption name UCI_Elo value 5000"));

    const FakeEngine strong(FakeEngine::handshake(strengthOptions));
    Engine engine(strong);
    ASSERT_TRUE(engine.start());
    engine->updateElo(true, 1000);
    engine->updateElo(false, 1500);
    EXPECT_EQ(engine->config().limitElo, false);
    EXPECT_EQ(engine->config().elo, 1500);
    ASSERT_TRUE(waitUntil([&] { return strong.receivedCommands().size() == 6; }));
    EXPECT_EQ(strong.receivedCommands().mid(3),
              (QStringList{"setoption name UCI_LimitStrength value true",
                           "setoption name UCI_Elo value 1350",
                           "setoption name UCI_LimitStrength value false"}));

    const FakeEngine plain(FakeEngine::handshake());
    Engine weak(plain);
    ASSERT_TRUE(weak.start());
    weak->updateElo(true, 1800);
    weak->send("isready");
    ASSERT_TRUE(weak.logHas("> isready"));
    EXPECT_EQ(weak->config().elo, 1800);
    EXPECT_FALSE(weak->logLines().join('\n').contains("UCI_Elo"));
}

TEST(UCIEngineProcess, StrengthChangedDuringASearchWaitsUntilTheEngineIsIdle) {
    // Thinks until told to stop, as in an infinite analysis.
    const FakeEngine fake(FakeEngine::handshake(strengthOptions) + "on stop\nsay bestmove e2e4\n");
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    const qsizetype handshakeLines = fake.receivedCommands().size();

    auto search = engine->search({.depth = 30});
    // Asked at once, before the thinking state is even published.
    engine->updateElo(true, 2000);
    engine->updateElo(true, 2400);
    EXPECT_FALSE(engine->pressButton("Clear Hash"));
    engine->send("isready");
    ASSERT_TRUE(waitUntil([&] { return fake.receivedCommands().size() == handshakeLines + 2; }));
    EXPECT_EQ(engine->config().elo, 2400);

    engine->stop();
    QCoro::waitFor(std::move(search));
    ASSERT_TRUE(waitUntil([&] { return fake.receivedCommands().size() == handshakeLines + 5; }));
    // Only the latest strength, and only once the best move has come.
    EXPECT_EQ(fake.receivedCommands().mid(handshakeLines),
              (QStringList{"go depth 30", "isready", "stop",
                           "setoption name UCI_LimitStrength value true",
                           "setoption name UCI_Elo value 2400"}));
    QStringList betweenGoAndBestMove;
    bool searching = false;
    for (const QString& line : engine->logLines()) {
        if (line.startsWith("> go")) {
            searching = true;
        } else if (line.startsWith("< bestmove")) {
            searching = false;
        } else if (searching) {
            betweenGoAndBestMove.append(line);
        }
    }
    EXPECT_FALSE(betweenGoAndBestMove.join('\n').contains("setoption"));

    // Idle again: a change goes out at once.
    engine->updateElo(false, 2400);
    ASSERT_TRUE(waitUntil([&] {
        return fake.receivedCommands().constLast() ==
               "setoption name UCI_LimitStrength value false";
    }));

    // As a game does it: the search is stopped, the strength changed and the turn asked for
    // afresh before the stopped search is answered. The new search waits for the engine, so it
    // is played at the new strength.
    const qsizetype before = fake.receivedCommands().size();
    auto first = engine->search({.depth = 30});
    engine->stop();
    engine->updateElo(true, 1800);
    auto second = engine->search({.depth = 30});
    ASSERT_TRUE(waitUntil([&] { return fake.receivedCommands().size() == before + 5; }));
    EXPECT_EQ(fake.receivedCommands().mid(before),
              (QStringList{"go depth 30", "stop", "setoption name UCI_LimitStrength value true",
                           "setoption name UCI_Elo value 1800", "go depth 30"}));
    engine->stop();
    EXPECT_FALSE(QCoro::waitFor(std::move(second)));
    EXPECT_FALSE(QCoro::waitFor(std::move(first)));
}

TEST(UCIEngineProcess, FailedHandshakesEndTheChildWithTheirReason) {
    struct Case {
        QString script;
        QString logLine;
        QStringList terminations;
    };
    const QString noUciOk = "Engine did not complete the UCI handshake within 0.5 seconds.";
    const QString noReadyOk = "Engine did not become ready within 0.5 seconds.";
    const QString exited = "Engine exited with status %1 during the UCI handshake.";
    const Case cases[] = {
        {"on isready\nsay readyok\n", noUciOk, {}},
        {"on uci\nsleep 800\nsay uciok\non isready\nsay readyok\n", noUciOk, {}},
        {"on uci\nsay uciok\n", noReadyOk, {}},
        {"ignore-term\nignore-quit\non uci\nsay uciok\n", noReadyOk, {}},
        {"on uci\nsay id name Quitter\nexit 3\n",
         exited.arg(3),
         {"Engine process exited with status 3."}},
        {"on uci\nsay uciok\non isready\nexit 4\n",
         exited.arg(4),
         {"Engine process exited with status 4."}},
    };
    for (const auto& [script, logLine, terminations] : cases) {
        const FakeEngine fake(script);
        Engine engine(fake);
        QElapsedTimer timer;
        timer.start();
        EXPECT_FALSE(engine.start()) << script.toStdString();
        EXPECT_LT(timer.elapsed(), 2000);
        EXPECT_TRUE(engine.logHas(logLine)) << script.toStdString();
        EXPECT_FALSE(engine->isRunning());
        EXPECT_TRUE(testing::waitUntilGone(*fake.pid(), 2s)) << script.toStdString();
        testing::processEventsFor(50ms);
        EXPECT_EQ(engine.terminations, terminations);
    }
}

TEST(UCIEngineProcess, StartsNothingWithoutAnExecutable) {
    QTemporaryFile notExecutable;
    ASSERT_TRUE(notExecutable.open());
    for (const QString& path : {QStringLiteral("/nowhere/engine"), notExecutable.fileName()}) {
        Engine engine(plainConfig(path));
        EXPECT_FALSE(engine.start());
        EXPECT_TRUE(engine.logHas("Error: Executable not found or not executable at: " + path));
        EXPECT_FALSE(QCoro::waitFor(engine->newGame()));
    }
}

TEST(UCIEngineProcess, SearchDeliversLinesEvaluationsAndTheTimedBestMove) {
    const FakeEngine fake(FakeEngine::handshake() +
                          "on go\n"
                          "say info depth 3 multipv 1 score cp 20 pv e2e4\n"
                          "say info depth 3 multipv 2 score cp 10 pv d2d4\n"
                          "sleep 250\n"
                          "say info depth 4 multipv 2 score mate 2\n"
                          "say bestmove e2e4 ponder e7e5\n");
    Engine engine(plainConfig(fake.path()), [] { return 42.5; });
    ASSERT_TRUE(engine.start());
    std::vector<EngineEvaluation> updates;
    std::vector<std::size_t> lineCounts;
    QObject::connect(engine.process.get(), &UCIEngineProcess::evaluationUpdated,
                     [&](const EngineEvaluation& e, const std::vector<EngineEvaluation>& lines) {
                         updates.push_back(e);
                         lineCounts.push_back(lines.size());
                     });

    engine->sendPosition(std::nullopt, {"e2e4"});
    auto search = engine->search({.wtime = 60000, .btime = 59000, .winc = 1000, .binc = 1000});
    ASSERT_TRUE(waitUntil([&] { return engine->isThinking(); }));
    ASSERT_TRUE(waitUntil([&] { return engine->analysisLines().size() == 2; }));
    EXPECT_EQ(engine->currentEvaluation().scoreCp, 20);
    ASSERT_TRUE(spinUntil([&] { return engine->hasUnhandledBestMove(); }))
        << "known on arrival, before the main thread takes it";
    const SearchOutcome answer = QCoro::waitFor(search);

    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->move, "e2e4");
    EXPECT_EQ(answer->arrivalTime, 42.5);
    EXPECT_FALSE(engine->hasUnhandledBestMove()) << "taken by its awaiter";
    EXPECT_FALSE(engine->isThinking());
    EXPECT_EQ(engine->analysisLines()[1].mateIn, 2);
    // Each batch reports its principal line when it has one, else the line just parsed.
    ASSERT_EQ(updates.size(), 2u);
    EXPECT_EQ(updates[0].scoreCp, 20);
    EXPECT_EQ(updates[1].mateIn, 2);
    EXPECT_EQ(lineCounts, (std::vector<std::size_t>{2, 2}));
    EXPECT_EQ(engine->logLines().last(), "< bestmove e2e4 ponder e7e5");
    EXPECT_EQ(fake.receivedCommands().mid(2),
              (QStringList{"position startpos moves e2e4",
                           "go wtime 60000 btime 59000 winc 1000 binc 1000"}));
}

// A view binds to the engine's published state: each change signal carries the value the
// property then reads.
TEST(UCIEngineProcess, ChangeSignalsCarryWhatThePropertiesRead) {
    const FakeEngine fake(FakeEngine::handshake() +
                          "on go\n"
                          "say info depth 3 multipv 1 score cp 20 pv e2e4\n"
                          "say info depth 3 multipv 2 score cp 10 pv d2d4\n"
                          "say bestmove e2e4\n");
    Engine engine(fake);
    UCIEngineProcess* process = engine.process.get();
    std::optional<EngineEvaluation> carriedEvaluation;
    std::optional<std::vector<EngineEvaluation>> carriedLines;
    std::optional<QStringList> carriedLog;
    QObject::connect(process, &UCIEngineProcess::currentEvaluationChanged,
                     [&](const EngineEvaluation& value) { carriedEvaluation = value; });
    QObject::connect(process, &UCIEngineProcess::analysisLinesChanged,
                     [&](const std::vector<EngineEvaluation>& value) { carriedLines = value; });
    QObject::connect(process, &UCIEngineProcess::logLinesChanged,
                     [&](const QStringList& value) { carriedLog = value; });
    ASSERT_TRUE(engine.start());
    ASSERT_TRUE(QCoro::waitFor(engine->search({.depth = 3})));

    ASSERT_TRUE(carriedEvaluation && carriedLines && carriedLog);
    EXPECT_EQ(carriedEvaluation->scoreCp, 20);
    EXPECT_EQ(*carriedEvaluation, process->property("currentEvaluation").value<EngineEvaluation>());
    EXPECT_EQ(carriedLines->size(), 2u);
    EXPECT_EQ(*carriedLines,
              process->property("analysisLines").value<std::vector<EngineEvaluation>>());
    EXPECT_EQ(carriedLog->last(), "< bestmove e2e4");
    EXPECT_EQ(*carriedLog, process->property("logLines").toStringList());
}

// A stopped search is answered after the next one began, as a slow engine does: that answer and
// its reports belong to the stopped search and never pass for the running one's.
TEST(UCIEngineProcess, AnAnswerToAStoppedSearchNeverPassesForTheNextOne) {
    const FakeEngine fake(FakeEngine::handshake() + "once go depth 30\n"
                                                    "on stop\n"
                                                    "say info depth 9 score cp 500 pv a2a3\n"
                                                    "say bestmove a2a3\n"
                                                    "on go movetime 100\n"
                                                    "say info depth 2 score cp 7 pv b2b3\n"
                                                    "say bestmove b2b3\n");
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    std::vector<bool> thinking;
    QObject::connect(engine.process.get(), &UCIEngineProcess::isThinkingChanged,
                     [&](bool value) { thinking.push_back(value); });
    auto first = engine->search({.depth = 30});
    engine->stop();
    auto second = engine->search({.movetime = 100});
    const SearchOutcome answer = QCoro::waitFor(second);
    ASSERT_TRUE(engine.logHas("< bestmove a2a3"));
    testing::processEventsFor(20ms);

    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->move, "b2b3");
    EXPECT_FALSE(QCoro::waitFor(first)) << "a stopped search completes without a move";
    EXPECT_EQ(engine->currentEvaluation().scoreCp, 7);
    EXPECT_EQ(thinking, (std::vector<bool>{true, false})) << "thinking until its own answer";
    EXPECT_FALSE(engine->isThinking());
    EXPECT_FALSE(engine->hasUnhandledBestMove());

    // Stopped before its answer arrived, a search never gets it, also when no other search
    // began meanwhile; and one that a later search replaces before its answer came (the
    // engine was only told "stop") completes without a move too.
    auto stopped = engine->search({.depth = 30});
    engine->stop();
    EXPECT_FALSE(QCoro::waitFor(stopped));
    ASSERT_TRUE(waitUntil([&] { return !engine->isThinking(); }));
    EXPECT_FALSE(engine->hasUnhandledBestMove()) << "nobody takes it, so the clock waits for none";
    auto replaced = engine->search({.depth = 30});
    engine->send("stop");
    auto last = engine->search({.movetime = 100});
    EXPECT_FALSE(QCoro::waitFor(replaced));
    const SearchOutcome lastAnswer = QCoro::waitFor(last);
    ASSERT_TRUE(lastAnswer);
    EXPECT_EQ(lastAnswer->move, "b2b3");

    // An idle engine is told nothing, so it cannot answer a stray "stop".
    engine->stop();
    engine->send("isready");
    const QStringList expected{"go depth 30", "stop", "go movetime 100", "go depth 30", "stop",
                               "go depth 30", "stop", "go movetime 100", "isready"};
    EXPECT_TRUE(waitUntil([&] { return fake.receivedCommands().mid(2) == expected; }))
        << fake.receivedCommands().join(" | ").toStdString();
    EXPECT_TRUE(engine.destroyLeavesNoChild(fake));
}

TEST(UCIEngineProcess, AnEngineThatOverrunsItsMoveTimeIsToldToStop) {
    const FakeEngine fake(FakeEngine::handshake() + "on stop\nsay bestmove e2e4\n");
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    const SearchOutcome answer = QCoro::waitFor(engine->search({.movetime = 50}));
    ASSERT_TRUE(answer) << "the reminder's answer still counts";
    EXPECT_EQ(answer->move, "e2e4");
    EXPECT_EQ(fake.receivedCommands().mid(2), (QStringList{"go movetime 50", "stop"}));
}

TEST(UCIEngineProcess, NewGameWaitsForReadyAndASecondWaitAnswersTheFirst) {
    const FakeEngine fake(FakeEngine::handshake().replace("on isready", "once isready") +
                          "on isready\nsleep 200\nsay readyok\n");
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    auto first = engine->newGame();
    auto second = engine->newGame();
    EXPECT_TRUE(QCoro::waitFor(second));
    EXPECT_FALSE(QCoro::waitFor(first));
    // The second wait may be answered by the first "readyok", before the engine has read (and
    // recorded) the second pair of commands.
    const QStringList expected{"isready", "ucinewgame", "isready", "ucinewgame", "isready"};
    EXPECT_TRUE(waitUntil([&] { return fake.receivedCommands().mid(1) == expected; }))
        << fake.receivedCommands().join(" | ").toStdString();
}

TEST(UCIEngineProcess, ALateReadyOkIsOnlyLogged) {
    const FakeEngine fake(FakeEngine::handshake().replace("on isready", "once isready") +
                          "once isready\nsleep 700\nsay readyok\non isready\nsay readyok\n");
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    EXPECT_FALSE(QCoro::waitFor(engine->newGame()));
    ASSERT_TRUE(waitUntil([&] { return engine->logLines().count("< readyok") == 2; }, 3s));
    EXPECT_TRUE(engine->isRunning());
    EXPECT_TRUE(QCoro::waitFor(engine->newGame()));
}

TEST(UCIEngineProcess, CrashDuringASearchIsReportedWithoutABestMove) {
    const FakeEngine fake(FakeEngine::handshake() +
                          "on go\nsay info depth 1 score cp 5 pv e2e4\nsleep 50\ndie\n");
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    auto search = engine->search({.movetime = 1000});
    ASSERT_TRUE(waitUntil([&] { return !engine.terminations.isEmpty(); }));
    EXPECT_EQ(engine.terminations, QStringList{"Engine process exited with status 9."});
    EXPECT_FALSE(engine->isThinking());
    EXPECT_FALSE(engine->isRunning());
    EXPECT_TRUE(testing::processIsGone(*fake.pid()));
    EXPECT_FALSE(QCoro::waitFor(search));
    EXPECT_FALSE(engine->hasUnhandledBestMove());
}

TEST(UCIEngineProcess, AnEngineThatIgnoresQuitAndTermIsKilledAndReaped) {
    const QString stubborn = "ignore-term\nignore-quit\n" + FakeEngine::handshake();
    const FakeEngine fake(stubborn);
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    const qint64 pid = *fake.pid();
    engine->terminate();
    engine->terminate();
    EXPECT_FALSE(engine->isRunning());
    EXPECT_TRUE(testing::waitUntilGone(pid, 2s));
    testing::processEventsFor(100ms);
    EXPECT_TRUE(engine.terminations.isEmpty());

    // Destroying the object ends and reaps its child before the destructor returns.
    const FakeEngine other(stubborn);
    Engine owned(other);
    ASSERT_TRUE(owned.start());
    EXPECT_TRUE(owned.destroyLeavesNoChild(other));
}

TEST(UCIEngineProcess, WritingToAnEngineThatClosedItsInputIsHarmless) {
    std::signal(SIGPIPE, SIG_DFL);
    const FakeEngine fake("ignore-quit\n" + FakeEngine::handshake() + "on go\nclose-input\n");
    Engine engine(fake);
    struct sigaction action {};
    sigaction(SIGPIPE, nullptr, &action);
    EXPECT_EQ(action.sa_handler, SIG_IGN);

    ASSERT_TRUE(engine.start());
    auto search = engine->search({.movetime = 100});
    for (int i = 0; i < 50; ++i) {
        engine->send("stop");
        testing::processEventsFor(2ms);
    }
    EXPECT_TRUE(engine.logHas("> stop"));
    EXPECT_TRUE(engine->isRunning());
    engine->stop();
    EXPECT_FALSE(QCoro::waitFor(search));
}

TEST(UCIEngineProcess, OutputInOddChunksIsReassembledIntoItsLines) {
    const FakeEngine fake(FakeEngine::handshake() +
                          "on go\n"
                          "raw info dep\n"
                          "sleep 30\n"
                          "raw th 7 score cp 12 pv e2e4\\r\\n\\r\\n\\n  \\n\n"
                          "raw info string caf\\xc3\n"
                          "sleep 30\n"
                          "raw \\xa9\\ninfo string bad \\xff\\xfe\\n\n"
                          "err info string from stderr\n"
                          "bigline 1000000\n"
                          "say bestmove e2e4\n");
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    const SearchOutcome answer = QCoro::waitFor(engine->search({.movetime = 100}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->move, "e2e4");
    EXPECT_EQ(engine->currentEvaluation(),
              (EngineEvaluation{
                  1, 7, 12, std::nullopt, std::nullopt, std::nullopt, std::nullopt, {"e2e4"}}));
    const QStringList log = engine->logLines();
    const auto goLine = log.indexOf("> go movetime 100");
    ASSERT_GE(goLine, 0);
    ASSERT_EQ(log.size() - goLine, 6);
    EXPECT_EQ(log.mid(goLine + 1, 3),
              (QStringList{"< info depth 7 score cp 12 pv e2e4", "< info string caf\u00e9",
                           "< info string from stderr"}));
    // The log keeps the start of a huge line and how long it was.
    EXPECT_LT(log[goLine + 4].size(), 5000);
    EXPECT_TRUE(log[goLine + 4].startsWith("< info string xxx"));
    EXPECT_TRUE(log[goLine + 4].endsWith("[1000012 bytes in all]"));
    EXPECT_TRUE(engine.destroyLeavesNoChild(fake));
}

TEST(UCIEngineProcess, AFloodOfInfoLinesReachesTheMainThreadInFewBatches) {
    // 100,000 lines: half at once, half spread over 0.8 seconds.
    const QString line = "info depth 20 seldepth 30 multipv 1 score cp 31 nodes 123 nps 456 "
                         "time 7 pv e2e4 e7e5 g1f3\n";
    const FakeEngine fake(FakeEngine::handshake() +
                          "on go\n"
                          "flood 50000 " +
                          line + "trickle 50000 800 " + line +
                          "say info depth 21 score cp 33 pv d2d4\n"
                          "say bestmove d2d4\n");
    Engine engine(fake);
    ASSERT_TRUE(engine.start());
    int batches = 0;
    QObject::connect(engine.process.get(), &UCIEngineProcess::logLinesChanged, [&] { ++batches; });
    QElapsedTimer timer;
    timer.start();
    const SearchOutcome answer = QCoro::waitFor(engine->search({.movetime = 100}));
    ASSERT_TRUE(answer);
    EXPECT_EQ(answer->move, "d2d4");
    EXPECT_EQ(engine->currentEvaluation().depth, 21);
    EXPECT_EQ(engine->currentEvaluation().scoreCp, 33);
    EXPECT_EQ(engine->logLines().size(), UCIEngineProcess::keptLogLines);
    EXPECT_EQ(engine->logLines().last(), "< bestmove d2d4");
    // One batch per 0.1 seconds at most, the best move's own and some slack for timer jitter.
    EXPECT_LE(batches, timer.elapsed() / 100 + 3);
    EXPECT_TRUE(engine.destroyLeavesNoChild(fake));
}

TEST(UCIEngineProcess, LogKeepsTheLast250LinesOncePast300) {
    Engine engine(EngineConfiguration::builtInMini());
    for (int i = 0; i < 300; ++i) {
        // Appended, not "c" + ...: GCC 12 warns wrongly about the temporary's insert at -O3.
        std::string command = "c";
        command += std::to_string(i);
        engine->send(command);
    }
    ASSERT_TRUE(waitUntil([&] { return engine->logLines().size() == 300; }));
    testing::processEventsFor(150ms);
    EXPECT_EQ(engine->logLines().size(), 300);
    engine->send("c300");
    ASSERT_TRUE(waitUntil([&] { return engine->logLines().last() == "> c300"; }));
    EXPECT_EQ(engine->logLines().size(), 250);
    EXPECT_EQ(engine->logLines().first(), "> c51");
}

TEST(UCIEngineProcess, BuiltInEngineStartsNoChildAndOnlyLogs) {
    Engine engine(EngineConfiguration::builtInMini());
    EXPECT_TRUE(engine.start());
    EXPECT_TRUE(engine->isRunning());
    EXPECT_TRUE(QCoro::waitFor(engine->newGame()));
    auto search = engine->search({.depth = 5});
    EXPECT_TRUE(engine.logHas("> go depth 5"));
    testing::processEventsFor(150ms);
    EXPECT_TRUE(engine->isThinking());
    engine->terminate();
    EXPECT_FALSE(engine->isRunning());
    EXPECT_FALSE(engine->isThinking());
    EXPECT_FALSE(QCoro::waitFor(search)) << "its engine ended";
    EXPECT_TRUE(engine.terminations.isEmpty());
}

} // namespace
} // namespace velkor

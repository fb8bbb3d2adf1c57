// The full-speed runner with engines that move at once: pairing and colours, counting in game
// order across an interruption, engines that crash, hang or overrun their clock, and the SPRT stop.
#include "InstantEngineScript.h"
#include "automatch/MatchOpenings.h"
#include "automatch/MatchRunner.h"
#include "automatch/MatchState.h"
#include "chess/ChessBoard.h"
#include "chess/PGNParser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace velkor::automatch {
namespace {

// A temporary folder with instant engines started through wrappers that give them behaviour.
class MatchRunnerTest : public ::testing::Test {
protected:
    std::string path(const std::string& name) const {
        return m_dir.filePath(QString::fromStdString(name)).toStdString();
    }

    std::string engine(const std::string& name, const std::string& arguments) {
        return testing::instantEngineScript(QString::fromStdString(path(name + ".sh")),
                                            QString::fromStdString(arguments))
            .toStdString();
    }

    std::string write(const std::string& name, const std::string& text) {
        std::ofstream(path(name)) << text;
        return path(name);
    }

    // "A" thinks it is winning and "B" that it is lost, so B resigns on its first move whatever
    // its colour: every game is a win for the first engine, and any mix-up of colours shows.
    MatchConfig resigningMatch(int rounds) {
        MatchConfig config;
        config.engines[0] = EngineSetup{engine("a", "--score 300"), "A", clock(10000, 100), {}, 0};
        config.engines[1] = EngineSetup{engine("b", "--score -300"), "B", clock(10000, 100), {}, 0};
        config.rounds = rounds;
        config.gamesPerRound = 2;
        config.adjudication.resign = ResignAdjudication{1, 200, false};
        config.pgnFile = path("games.pgn");
        config.stateFile = path("config.json");
        return config;
    }

    static MoveLimit clock(std::int64_t baseMs, std::int64_t incrementMs) {
        MoveLimit limit;
        limit.kind = MoveLimit::Kind::Clock;
        limit.baseMs = baseMs;
        limit.incrementMs = incrementMs;
        return limit;
    }

    static std::unique_ptr<MatchRunner> runner(MatchConfig config,
                                               std::optional<MatchProgress> progress = {},
                                               RunnerEnvironment environment = {}) {
        auto created =
            MatchRunner::create(std::move(config), std::move(progress), std::move(environment));
        if (auto* problem = std::get_if<std::string>(&created)) {
            ADD_FAILURE() << *problem;
            return nullptr;
        }
        return std::move(std::get<std::unique_ptr<MatchRunner>>(created));
    }

    std::vector<ParsedPGN> writtenGames() const {
        std::ifstream in(path("games.pgn"));
        std::ostringstream text;
        text << in.rdbuf();
        const std::string all = text.str();
        std::vector<ParsedPGN> games;
        const auto index = PGNParser::indexGames(all);
        for (const auto& summary : index.value_or(std::vector<PGNGameSummary>{})) {
            games.push_back(
                PGNParser::parse(std::string_view(all).substr(summary.offset, summary.length)));
        }
        return games;
    }

    QTemporaryDir m_dir;
};

TEST_F(MatchRunnerTest, PairedOpeningsAreEachPlayedOnceWithEitherEngineAsWhite) {
    MatchConfig config = resigningMatch(3);
    // The second position has no move counters: it starts at move 1.
    config.openings = OpeningSetup{
        write("book.epd", "# three openings\n"
                          "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1\n"
                          "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq -\n\n"
                          "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2\n"),
        OpeningSetup::Format::Epd, OpeningSetup::Order::Sequential, std::nullopt, 1};
    config.concurrency = 2;
    auto match = runner(config);
    ASSERT_TRUE(match);
    EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Completed);

    EXPECT_EQ(match->progress().counts.wins, 6);
    EXPECT_EQ(match->progress().counts.pairs.winWin, 3);
    const auto games = writtenGames();
    ASSERT_EQ(games.size(), 6U);
    // Games finish out of order with two at once; each round's two games share their opening
    // and swap the engines' colours.
    std::map<std::string, std::vector<const ParsedPGN*>> byRound;
    for (const ParsedPGN& game : games) {
        byRound[game.tags.at("Round")].push_back(&game);
        EXPECT_EQ(game.tags.at("TimeControl"), "10+0.1");
        EXPECT_EQ(game.result, game.tags.at("White") == "A" ? "1-0" : "0-1");
        EXPECT_NE(game.annotations.back().comment.find("wins by adjudication"), std::string::npos);
    }
    ASSERT_EQ(byRound.size(), 3U);
    const std::array<std::string, 3> fens{
        "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1",
        "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1",
        "rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 0 2"};
    for (int round = 1; round <= 3; ++round) {
        const auto& pair = byRound[std::to_string(round)];
        ASSERT_EQ(pair.size(), 2U);
        EXPECT_EQ(pair[0]->board.initialFEN(), fens[static_cast<std::size_t>(round - 1)]);
        EXPECT_EQ(pair[1]->board.initialFEN(), pair[0]->board.initialFEN());
        EXPECT_EQ(pair[0]->tags.at("White"), pair[1]->tags.at("Black"));
    }
    // A move's comment carries the mover's score, depth and time.
    const ParsedPGN& first = games[0];
    const bool whiteMovesFirst = first.board.initialFEN().find(" w ") != std::string::npos;
    const bool aMovesFirst = whiteMovesFirst == (first.tags.at("White") == "A");
    EXPECT_EQ(first.annotations[0].comment.substr(0, 8), aMovesFirst ? "+3.00/1 " : "-3.00/1 ");
}

TEST_F(MatchRunnerTest, OpeningBooksAreReadStrictlyAndShuffledTheSameWayEveryRun) {
    const auto fromPgn = openingsFromPgn(
        "[Event \"a\"]\n\n1. e4 e5 2. Nf3 Nc6 3. Bb5 *\n\n[Event \"b\"]\n\n1. d4 d5 *\n", 3);
    ASSERT_TRUE(std::holds_alternative<std::vector<MatchOpening>>(fromPgn));
    const auto& pgnOpenings = std::get<std::vector<MatchOpening>>(fromPgn);
    ASSERT_EQ(pgnOpenings.size(), 2U);
    EXPECT_EQ(pgnOpenings[0].moves, (std::vector<std::string>{"e2e4", "e7e5", "g1f3"}));
    EXPECT_EQ(pgnOpenings[1].moves.size(), 2U);

    const auto bad = openingsFromEpd("8/8/8/8/8/8/8/8 w - -\n");
    ASSERT_TRUE(std::holds_alternative<std::string>(bad));
    EXPECT_NE(std::get<std::string>(bad).find("line 1"), std::string::npos);
    EXPECT_TRUE(std::holds_alternative<std::string>(openingsFromEpd("# only a comment\n")));

    const auto order = openingOrder(50, OpeningSetup::Order::Random, 42);
    EXPECT_EQ(order, openingOrder(50, OpeningSetup::Order::Random, 42));
    EXPECT_NE(order, openingOrder(50, OpeningSetup::Order::Random, 43));
    EXPECT_TRUE(std::is_permutation(order.begin(), order.end(),
                                    openingOrder(50, OpeningSetup::Order::Sequential, 0).begin()));
}

TEST_F(MatchRunnerTest, AnInterruptedRunResumesWithTheSameCountsAndNoGamePlayedTwice) {
    MatchConfig config = resigningMatch(3);
    config.concurrency = 2;
    {
        auto match = runner(config);
        ASSERT_TRUE(match);
        MatchObserver observer;
        // Stop as the first game ends: the other one is still running and is abandoned.
        observer.gameFinished = [&](const PlayedGame&) { match->requestStop(); };
        match->setObserver(observer);
        EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Interrupted);
    }
    const auto gamesBefore = writtenGames().size();
    EXPECT_EQ(gamesBefore, 1U);

    std::ifstream in(config.stateFile);
    std::ostringstream text;
    text << in.rdbuf();
    auto saved = savedMatchFromJson(text.str());
    ASSERT_TRUE(std::holds_alternative<SavedMatch>(saved)) << std::get<std::string>(saved);
    const SavedMatch& resumed = std::get<SavedMatch>(saved);
    // One game of a pair is finished: held back, not counted, not to be played again.
    EXPECT_EQ(resumed.progress.countedGames, 0);
    EXPECT_EQ(resumed.progress.finishedAhead.size(), 1U);

    auto match = runner(resumed.config, resumed.progress);
    ASSERT_TRUE(match);
    std::vector<std::int64_t> started;
    MatchObserver observer;
    observer.gameStarted = [&](std::int64_t number, std::int64_t, const std::string&,
                               const std::string&) { started.push_back(number); };
    match->setObserver(observer);
    EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Completed);
    EXPECT_EQ(started.size(), 5U);
    EXPECT_EQ(match->progress().counts.wins, 6);
    EXPECT_EQ(match->progress().counts.pairs.winWin, 3);
    EXPECT_EQ(writtenGames().size(), 6U);

    // A saved run whose counts were edited does not resume as something else.
    std::string edited = text.str();
    const auto countedAt = edited.find("\"countedGames\": \"0\"");
    ASSERT_NE(countedAt, std::string::npos);
    edited.replace(countedAt, 19, "\"countedGames\": \"2\"");
    EXPECT_TRUE(std::holds_alternative<std::string>(savedMatchFromJson(edited)));
    EXPECT_TRUE(std::holds_alternative<std::string>(savedMatchFromJson("{not json")));
}

TEST_F(MatchRunnerTest, EnginesThatCrashHangOrOverrunTheirClockLoseTheirGame) {
    // B dies on its second search in every process: without -recover the match ends there.
    MatchConfig config = resigningMatch(2);
    config.adjudication = {};
    config.adjudication.maxMoves = 5;
    config.gamesPerRound = 1;
    config.engines[1].command = engine("crash", "--crash-at 2");
    {
        auto match = runner(config);
        ASSERT_TRUE(match);
        EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::EngineFailure);
        EXPECT_EQ(match->progress().counts.wins, 1);
        EXPECT_EQ(writtenGames().back().annotations.back().comment.find("Black disconnects") !=
                      std::string::npos,
                  true);
    }
    // With -recover it is started afresh, loses again, and the match is played to its end.
    config.recover = true;
    QFile::remove(QString::fromStdString(*config.pgnFile));
    {
        auto match = runner(config);
        ASSERT_TRUE(match);
        EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Completed);
        EXPECT_EQ(match->progress().counts.wins, 2);
    }

    // An engine that stops answering loses on time, once its time and the grace are gone.
    config.engines[1].command = engine("hang", "--hang-at 2");
    config.engines[1].limit = clock(100, 0);
    config.rounds = 1;
    QFile::remove(QString::fromStdString(*config.pgnFile));
    {
        auto match = runner(config);
        ASSERT_TRUE(match);
        EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Completed);
        EXPECT_EQ(match->progress().counts.wins, 1);
        EXPECT_EQ(match->timeLosses(), 1);
        EXPECT_EQ(writtenGames().back().tags.at("Termination"), "time forfeit");
    }

    // By an injected clock every search takes a quarter of a second: with one second on the
    // clock White overruns it on its fifth move, unless the time margin covers it.
    std::atomic<int> ticks{0};
    RunnerEnvironment slowClock;
    slowClock.clock = [&ticks] { return 0.25 * ticks++; };
    config.engines[0].command = engine("a2", "");
    config.engines[1].command = engine("b2", "");
    config.engines[0].limit = clock(1000, 0);
    config.engines[1].limit = clock(1000, 0);
    config.adjudication.maxMoves = 20;
    {
        auto match = runner(config, std::nullopt, slowClock);
        ASSERT_TRUE(match);
        EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Completed);
        EXPECT_EQ(match->timeLosses(), 1);
        EXPECT_EQ(match->progress().counts.losses, 1);
    }
    config.engines[0].timeMarginMs = 100'000;
    config.engines[1].timeMarginMs = 100'000;
    {
        auto match = runner(config, std::nullopt, slowClock);
        ASSERT_TRUE(match);
        EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Completed);
        EXPECT_EQ(match->timeLosses(), 0);
        EXPECT_EQ(match->progress().counts.draws, 1);
    }
}

TEST_F(MatchRunnerTest, WatchersSeeEveryPositionOfEachRunningGameInTurn) {
    // Two games at once, each drawn after five moves a side: their positions arrive interleaved.
    MatchConfig config = resigningMatch(1);
    config.adjudication = {};
    config.adjudication.maxMoves = 5;
    config.concurrency = 2;
    config.openings = OpeningSetup{
        write("book.epd", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1\n"),
        OpeningSetup::Format::Epd, OpeningSetup::Order::Sequential, std::nullopt, 1};
    auto match = runner(config);
    ASSERT_TRUE(match);
    std::map<std::int64_t, std::vector<std::string>> shown;
    std::map<std::int64_t, std::string> finalFen;
    MatchObserver observer;
    observer.positionChanged = [&](std::int64_t index, const std::string& fen) {
        shown[index].push_back(fen);
    };
    observer.gameFinished = [&](const PlayedGame& game) {
        finalFen[game.index] = PGNParser::parse(game.pgn).board.fen();
    };
    match->setObserver(observer);
    EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Completed);

    ASSERT_EQ(shown.size(), 2U);
    for (const auto& [index, fens] : shown) {
        // The opening, then one position per engine move, the last one where the game ended.
        ASSERT_EQ(fens.size(), 11U) << index;
        EXPECT_EQ(fens.front(), "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1");
        EXPECT_EQ(fens.back(), finalFen[index]);
        for (std::size_t i = 1; i < fens.size(); ++i) {
            ChessBoard before(fens[i - 1]);
            const auto moves = before.generateLegalMoves();
            EXPECT_TRUE(std::any_of(moves.begin(), moves.end(),
                                    [&](const Move& move) {
                                        ChessBoard after = before;
                                        return after.play(move) && after.fen() == fens[i];
                                    }))
                << "game " << index << " position " << i << " does not follow from the one before";
        }
    }
}

TEST_F(MatchRunnerTest, TheSprtStopsTheMatchAtItsFirstCrossing) {
    MatchConfig config = resigningMatch(500);
    config.sprt = SprtSettings{0, 10, 0.05, 0.05, SprtModel::Normalized};
    config.pgnFile.reset();
    auto match = runner(config);
    ASSERT_TRUE(match);
    EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::SprtDecided);

    const MatchCounts counts = match->progress().counts;
    ASSERT_GT(counts.games(), 0);
    EXPECT_LT(counts.games(), 1000);
    const Sprt sprt(*config.sprt);
    EXPECT_EQ(sprt.decision(sprt.llr(counts, true)), SprtDecision::AcceptH1);
    MatchCounts onePairLess;
    for (std::int64_t pair = 0; pair + 1 < counts.pairs.winWin; ++pair) {
        onePairLess.addPair(GameScore::Win, GameScore::Win);
    }
    EXPECT_EQ(sprt.decision(sprt.llr(onePairLess, true)), SprtDecision::Continue);
}

TEST_F(MatchRunnerTest, GamesRunningWhenTheSprtDecidesAreAbandonedOrFinishedByChoice) {
    // Single games (not pairs) two at once: when one game decides the test, the other slot is
    // always in the middle of a game.
    MatchConfig config = resigningMatch(500);
    config.gamesPerRound = 1;
    config.concurrency = 2;
    config.sprt = SprtSettings{0, 10, 0.05, 0.05, SprtModel::Normalized};
    const Sprt sprt(*config.sprt);
    MatchCounts crossing;
    while (sprt.decision(sprt.llr(crossing, false)) == SprtDecision::Continue) {
        crossing.addGame(GameScore::Win);
    }
    ASSERT_LT(crossing.games(), 500);

    {
        auto match = runner(config);
        ASSERT_TRUE(match);
        EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::SprtDecided);
        EXPECT_EQ(match->progress().counts.games(), crossing.games());
        // Only a game that had finished ahead of the deciding one may be written beside them.
        const auto written = static_cast<std::int64_t>(writtenGames().size());
        EXPECT_GE(written, crossing.games());
        EXPECT_LE(written, crossing.games() + 1);
    }

    QFile::remove(QString::fromStdString(*config.pgnFile));
    config.finishRunningGamesOnSprt = true;
    std::int64_t finishedAfterDecision = 0;
    {
        auto match = runner(config);
        ASSERT_TRUE(match);
        MatchObserver observer;
        observer.gameFinished = [&](const PlayedGame&) {
            if (match->progress().counts.games() >= crossing.games()) {
                ++finishedAfterDecision;
            }
        };
        match->setObserver(observer);
        EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::SprtDecided);
        const MatchCounts counts = match->progress().counts;
        EXPECT_GT(counts.games(), crossing.games());
        EXPECT_LE(counts.games(), crossing.games() + 2);
        EXPECT_EQ(counts.wins, counts.games());
        // Every game that finished is written and counted; none is held back.
        EXPECT_EQ(static_cast<std::int64_t>(writtenGames().size()), counts.games());
        EXPECT_TRUE(match->progress().finishedAhead.empty());
    }
    EXPECT_GE(finishedAfterDecision, 1);

    // The choice is kept with the run; a run saved before it existed reads as abandoning.
    std::ifstream in(config.stateFile);
    std::ostringstream text;
    text << in.rdbuf();
    const auto saved = savedMatchFromJson(text.str());
    ASSERT_TRUE(std::holds_alternative<SavedMatch>(saved)) << std::get<std::string>(saved);
    EXPECT_TRUE(std::get<SavedMatch>(saved).config.finishRunningGamesOnSprt);
    std::string older = text.str();
    const std::string key = "\"finishRunningGamesOnSprt\": true,";
    const auto at = older.find(key);
    ASSERT_NE(at, std::string::npos);
    older.erase(at, key.size());
    const auto olderSaved = savedMatchFromJson(older);
    ASSERT_TRUE(std::holds_alternative<SavedMatch>(olderSaved))
        << std::get<std::string>(olderSaved);
    EXPECT_FALSE(std::get<SavedMatch>(olderSaved).config.finishRunningGamesOnSprt);
}

TEST_F(MatchRunnerTest, APeriodClockTellsTheEngineHowManyMovesAreLeftInIt) {
    // A has three moves per ten seconds, B ten seconds for the game; five moves each, A White.
    MatchConfig config = resigningMatch(1);
    config.gamesPerRound = 1;
    config.adjudication = {};
    config.adjudication.maxMoves = 5;
    config.engines[0].command = engine("a-record", "--record '" + path("a.log") + "'");
    config.engines[1].command = engine("b-record", "--record '" + path("b.log") + "'");
    config.engines[0].limit.movesPerPeriod = 3;
    auto match = runner(config);
    ASSERT_TRUE(match);
    EXPECT_EQ(QCoro::waitFor(match->run()), MatchEnd::Completed);

    const auto goLines = [this](const std::string& log) {
        std::ifstream in(path(log));
        std::vector<std::string> lines;
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("go ")) {
                lines.push_back(line);
            }
        }
        return lines;
    };
    const auto number = [](const std::string& line, const std::string& name) -> std::int64_t {
        const auto at = line.find(" " + name + " ");
        return at == std::string::npos ? -1 : std::stoll(line.substr(at + name.size() + 2));
    };
    const auto a = goLines("a.log");
    ASSERT_EQ(a.size(), 5U);
    std::vector<std::int64_t> movesToGo;
    for (const std::string& line : a) {
        movesToGo.push_back(number(line, "movestogo"));
    }
    EXPECT_EQ(movesToGo, (std::vector<std::int64_t>{3, 2, 1, 3, 2}));
    // The clock is refilled when the period ends, as movestogo announced.
    EXPECT_LT(number(a[2], "wtime"), 10'300);
    EXPECT_GT(number(a[3], "wtime"), 19'000);
    // B's clock has no periods: it is never told of moves to go.
    for (const std::string& line : goLines("b.log")) {
        EXPECT_EQ(line.find("movestogo"), std::string::npos) << line;
        EXPECT_LT(number(line, "btime"), 10'600) << line;
    }
}

} // namespace
} // namespace velkor::automatch

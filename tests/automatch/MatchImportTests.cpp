// Matches read back from the PGN files engine-testing runners write: games out of order, opening
// pairs under one round number or numbered game by game, and the file this program's own runner
// wrote, which must give back exactly the counts the runner made while playing.
#include "InstantEngineScript.h"
#include "automatch/MatchImport.h"
#include "automatch/MatchRunner.h"
#include "chess/PGNParser.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace velkor::automatch {
namespace {

constexpr std::string_view afterE4 = "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1";
constexpr std::string_view afterD4 = "rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1";

std::string fastchessGame(int round, const std::string& white, const std::string& black,
                          const std::string& result, std::string_view fen,
                          const std::string& extraTags, const std::string& moves) {
    std::string text = "[Event \"Fastchess Tournament\"]\n[Site \"?\"]\n[Date \"2026.03.14\"]\n"
                       "[Round \"" +
                       std::to_string(round) + "\"]\n[White \"" + white + "\"]\n[Black \"" + black +
                       "\"]\n[Result \"" + result + "\"]\n";
    if (!fen.empty()) {
        text += "[SetUp \"1\"]\n[FEN \"" + std::string(fen) + "\"]\n";
    }
    return text + extraTags + "[TimeControl \"10+0.1\"]\n\n" + moves + "\n\n";
}

// Two rounds written in the order they finished (round 2 first, its games swapped too), a third
// round whose first game is the last one finished and whose second was still running.
std::string fastchessFile() {
    return fastchessGame(2, "Beta", "Alpha", "1-0", afterD4, "",
                         "1... Nf6 {-0.31/14 0.180s} 2. Bg5 {+0.40/15 0.201s} Ne4 {-0.52/14 "
                         "0.190s} 3. Bf4 {+0.61/16 0.240s, White wins by adjudication} 1-0") +
           fastchessGame(2, "Alpha", "Beta", "0-1", afterD4, "[Termination \"time forfeit\"]\n",
                         "1... d5 {+0.05/18 0.221s} 2. c4 {+0.22/17 0.260s} e6 {-0.11/16 0.250s, "
                         "White loses on time} 0-1") +
           fastchessGame(1, "Alpha", "Beta", "1-0", afterE4,
                         "[Time \"18:04:05\"]\n[Termination \"adjudication\"]\n",
                         "1... e5 {-0.20/17 0.310s} 2. Nf3 {+0.97/18 0.250s} Nc6 {-0.35/16 "
                         "0.201s} 3. Bb5 {+1.10/19 0.300s, White wins by adjudication} 1-0") +
           fastchessGame(1, "Beta", "Alpha", "1/2-1/2", afterE4, "[Termination \"adjudication\"]\n",
                         "1... c5 {+0.10/15 0.200s} 2. Nf3 {+0.02/16 0.200s} d6 {-0.01/15 "
                         "0.200s, Draw by adjudication} 1/2-1/2") +
           fastchessGame(3, "Alpha", "Beta", "1/2-1/2", "", "",
                         "1. Nf3 {+0.20/12 0.1s} Nf6 {0.00/12 0.1s} 2. Ng1 {0.00/12 0.1s} Ng8 "
                         "{0.00/12 0.1s} 3. Nf3 {0.00/12 0.1s} Nf6 {0.00/12 0.1s} 4. Ng1 "
                         "{0.00/12 0.1s} Ng8 {0.00/12 0.1s, Draw by 3-fold repetition} 1/2-1/2") +
           fastchessGame(3, "Beta", "Alpha", "*", "", "", "1. e4 {+0.30/12 0.1s} e5 *");
}

MatchCounts mirrored(const MatchCounts& counts) {
    MatchCounts other;
    other.wins = counts.losses;
    other.losses = counts.wins;
    other.draws = counts.draws;
    other.pairs = PairCounts{counts.pairs.winWin,   counts.pairs.winDraw,  counts.pairs.winLoss,
                             counts.pairs.drawDraw, counts.pairs.lossDraw, counts.pairs.lossLoss};
    return other;
}

void expectSameCounts(const MatchCounts& actual, const MatchCounts& expected) {
    EXPECT_EQ(actual.wins, expected.wins);
    EXPECT_EQ(actual.losses, expected.losses);
    EXPECT_EQ(actual.draws, expected.draws);
    EXPECT_EQ(actual.pairs.lossLoss, expected.pairs.lossLoss);
    EXPECT_EQ(actual.pairs.lossDraw, expected.pairs.lossDraw);
    EXPECT_EQ(actual.pairs.winLoss, expected.pairs.winLoss);
    EXPECT_EQ(actual.pairs.drawDraw, expected.pairs.drawDraw);
    EXPECT_EQ(actual.pairs.winDraw, expected.pairs.winDraw);
    EXPECT_EQ(actual.pairs.winWin, expected.pairs.winWin);
}

ImportedMatch imported(std::string_view text) {
    auto result = importMatchPGN(text);
    if (auto* problem = std::get_if<std::string>(&result)) {
        ADD_FAILURE() << *problem;
        return {};
    }
    return std::get<ImportedMatch>(std::move(result));
}

TEST(MatchImportTest, FastchessPairsSharingARoundNumberAreCountedInRoundOrder) {
    const ImportedMatch match = imported(fastchessFile());
    EXPECT_EQ(match.firstEngine, "Alpha");
    EXPECT_EQ(match.secondEngine, "Beta");
    EXPECT_TRUE(match.paired);
    // Round 1: won and drawn; round 2: lost twice; round 3: one drawn game, its pair unfinished.
    MatchCounts expected;
    expected.addPair(GameScore::Win, GameScore::Draw);
    expected.addPair(GameScore::Loss, GameScore::Loss);
    expected.addGame(GameScore::Draw);
    expectSameCounts(match.counts, expected);

    ASSERT_EQ(match.records.size(), 5);
    for (qsizetype i = 0; i < match.records.size(); ++i) {
        EXPECT_EQ(match.records[i].gameNumber, i + 1);
    }
    const AutomatchGameRecord& first = match.records[0];
    EXPECT_EQ(first.whiteEngineName, "Alpha");
    EXPECT_TRUE(first.whiteIsEngine1);
    EXPECT_EQ(first.winnerEngineName, std::optional<QString>("Alpha"));
    EXPECT_EQ(first.reason, "adjudication");
    EXPECT_EQ(first.movesUCI, (QStringList{"e7e5", "g1f3", "b8c6", "f1b5"}));
    EXPECT_EQ(first.movesCount, 4);
    EXPECT_EQ(first.initialFEN, std::optional<QString>(QString::fromUtf8(afterE4)));
    EXPECT_EQ(first.timestamp, QDateTime(QDate(2026, 3, 14), QTime(18, 4, 5), QTimeZone::utc()));
    // Each record keeps its own game's text, which reads back as that game.
    const std::string firstText = first.pgn.toStdString();
    EXPECT_EQ(PGNParser::indexGames(firstText)->size(), 1U);
    EXPECT_EQ(PGNParser::parse(firstText).board.history().size(), 4U);

    // Within round 2 the file's order stands; Beta's win over Alpha is Alpha's loss.
    const AutomatchGameRecord& roundTwo = match.records[2];
    EXPECT_EQ(roundTwo.whiteEngineName, "Beta");
    EXPECT_FALSE(roundTwo.whiteIsEngine1);
    EXPECT_EQ(roundTwo.winnerEngineName, std::optional<QString>("Beta"));
    EXPECT_EQ(match.records[3].reason, "time forfeit");
    EXPECT_FALSE(match.records[1].winnerEngineName.has_value());

    // Without a Termination tag the last comment says why; without a FEN tag there is none; a
    // date without a time is that day, not today.
    const AutomatchGameRecord& last = match.records[4];
    EXPECT_EQ(last.reason, "0.00/12 0.1s, Draw by 3-fold repetition");
    EXPECT_FALSE(last.initialFEN.has_value());
    EXPECT_EQ(last.movesCount, 8);
    EXPECT_EQ(last.timestamp, QDateTime(QDate(2026, 3, 14), QTime(0, 0), QTimeZone::utc()));
}

std::string cutechessGame(int number, const std::string& white, const std::string& black,
                          const std::string& result, std::string_view fen,
                          const std::string& moves) {
    std::string text = "[Event \"?\"]\n[Site \"?\"]\n[Date \"2025.11.02\"]\n[Round \"" +
                       std::to_string(number) + "\"]\n[White \"" + white + "\"]\n[Black \"" +
                       black + "\"]\n[Result \"" + result + "\"]\n";
    if (!fen.empty()) {
        text += "[FEN \"" + std::string(fen) + "\"]\n";
    }
    text += "[GameDuration \"00:00:04\"]\n[PlyCount \"3\"]\n";
    if (!fen.empty()) {
        text += "[SetUp \"1\"]\n";
    }
    return text + "[TimeControl \"40/60+0.6\"]\n\n" + moves + "\n\n";
}

TEST(MatchImportTest, CutechessGamesNumberedOneByOneFormPairsOnlyWhenTheyShareTheirStart) {
    // Written as they finished with two at once: 2, 1, 3, 5, 6, 4. Game 1 has Gamma as White.
    const std::string fromStart = "1. e4 {+0.25/12 0.41s} e5 {-0.20/12 0.38s} 2. Nf3 {+0.30/13 "
                                  "0.40s}";
    const std::string fromE4 = "1... e5 {-0.25/12 0.41s} 2. Nf3 {+0.30/13 0.40s} Nc6 {-0.21/12 "
                               "0.39s}";
    const std::string fromD4 = "1... d5 {-0.25/12 0.41s} 2. c4 {+0.30/13 0.40s} c6 {-0.21/12 "
                               "0.39s}";
    const auto file = [&](std::string_view lastFen) {
        return cutechessGame(2, "Delta", "Gamma", "0-1", "", fromStart + " 0-1") +
               cutechessGame(1, "Gamma", "Delta", "1-0", "", fromStart + " 1-0") +
               cutechessGame(3, "Gamma", "Delta", "1/2-1/2", afterE4, fromE4 + " 1/2-1/2") +
               cutechessGame(5, "Gamma", "Delta", "0-1", afterD4, fromD4 + " 0-1") +
               cutechessGame(6, "Delta", "Gamma", "0-1", afterD4, fromD4 + " 0-1") +
               cutechessGame(4, "Delta", "Gamma", "1/2-1/2", lastFen,
                             (lastFen == afterE4 ? fromE4 : fromD4) + " 1/2-1/2");
    };
    const ImportedMatch match = imported(file(afterE4));
    EXPECT_EQ(match.firstEngine, "Gamma");
    EXPECT_EQ(match.secondEngine, "Delta");
    EXPECT_TRUE(match.paired);
    MatchCounts expected;
    expected.addPair(GameScore::Win, GameScore::Win);
    expected.addPair(GameScore::Draw, GameScore::Draw);
    expected.addPair(GameScore::Loss, GameScore::Win);
    expectSameCounts(match.counts, expected);
    ASSERT_EQ(match.records.size(), 6);
    EXPECT_EQ(match.records[3].whiteEngineName, "Delta");
    EXPECT_EQ(match.records[3].initialFEN, std::optional<QString>(QString::fromUtf8(afterE4)));
    EXPECT_EQ(match.records[3].movesUCI.first(), "e7e5");

    // Game 4 started elsewhere than game 3: not a pair, so the whole file counts game by game.
    const ImportedMatch unpaired = imported(file(afterD4));
    EXPECT_FALSE(unpaired.paired);
    MatchCounts single;
    for (const GameScore score : {GameScore::Win, GameScore::Win, GameScore::Draw, GameScore::Draw,
                                  GameScore::Loss, GameScore::Win}) {
        single.addGame(score);
    }
    expectSameCounts(unpaired.counts, single);
}

TEST(MatchImportTest, TextThatIsNotATwoEngineMatchIsRefusedWithOneLine) {
    const std::string unfinished = fastchessGame(1, "Alpha", "Beta", "*", "", "", "1. e4 e5 *") +
                                   fastchessGame(1, "Beta", "Alpha", "*", "", "", "1. d4 *");
    const std::string threePlayers =
        fastchessGame(1, "Alpha", "Beta", "1-0", "", "", "1. e4 e5 1-0") +
        fastchessGame(2, "Alpha", "Gamma", "0-1", "", "", "1. d4 d5 0-1");
    const std::string illegal =
        fastchessGame(1, "Alpha", "Beta", "1-0", "", "", "1. e4 e5 1-0") +
        fastchessGame(1, "Beta", "Alpha", "1-0", "", "", "1. e4 e5 2. Ke3 1-0");
    const std::string selfPlay = fastchessGame(1, "Alpha", "Alpha", "1-0", "", "", "1. e4 1-0");
    const std::string noNames = "1. e4 e5 2. Nf3 1-0\n";
    std::string binary = "[White \"A\"]\n\x01\xff\xfe{{{(((";
    binary.push_back('\0');
    binary += "\x80 1-0 ]]]\n[Black";

    const std::vector<std::pair<std::string, std::string>> cases{
        {"", "no PGN games"},
        {"just some words, no chess here", "no PGN games"},
        {unfinished, "2 games have no result"},
        {threePlayers, "Gamma"},
        {illegal, "Game 2"},
        {selfPlay, "both sides"},
        {noNames, "no White or Black"},
        {binary, ""},
    };
    for (const auto& [text, expectedWords] : cases) {
        const auto result = importMatchPGN(text);
        ASSERT_TRUE(std::holds_alternative<std::string>(result)) << text;
        const std::string& line = std::get<std::string>(result);
        EXPECT_FALSE(line.empty());
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_NE(line.find(expectedWords), std::string::npos) << line;
    }
    // The unfinished games beside finished ones are simply left out.
    const ImportedMatch withRunning = imported(
        unfinished + fastchessGame(2, "Alpha", "Beta", "1/2-1/2", "", "", "1. c4 1/2-1/2"));
    EXPECT_EQ(withRunning.counts.draws, 1);
    EXPECT_EQ(withRunning.records.size(), 1);
    EXPECT_FALSE(withRunning.paired);
}

// The runner's own file: two games at once, so they finish (and are written) out of order.
TEST(MatchImportTest, TheRunnersOwnFileGivesBackTheCountsItMadeWhilePlaying) {
    QTemporaryDir dir;
    const auto path = [&dir](const std::string& name) {
        return dir.filePath(QString::fromStdString(name)).toStdString();
    };
    const auto engine = [&](const std::string& name, const std::string& arguments) {
        return testing::instantEngineScript(QString::fromStdString(path(name + ".sh")),
                                            QString::fromStdString(arguments))
            .toStdString();
    };
    // Short endgames the instant engines play out differently: some end on the board (mate,
    // stalemate, a dead position), the rest by B resigning after its third move, so which
    // engine had White changes some results and every kind of pair can occur.
    std::ofstream(path("book.epd")) << "7k/5Q2/6K1/8/8/8/8/8 w - - 0 1\n"
                                       "7k/8/5QK1/8/8/8/8/8 b - - 0 1\n"
                                       "k7/8/1K6/8/8/8/8/1R6 w - - 0 1\n"
                                       "k7/8/2K5/8/8/8/8/1R6 b - - 0 1\n"
                                       "8/8/8/3k4/8/8/3PK3/8 w - - 0 1\n"
                                       "8/8/8/8/8/3k4/2p5/2K5 w - - 0 1\n"
                                       "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\n"
                                       "6k1/5ppp/8/8/8/8/5PPP/3R2K1 b - - 0 1\n"
                                       "r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1\n"
                                       "4k3/8/4K3/4P3/8/8/8/8 b - - 0 1\n";
    MoveLimit clock;
    clock.kind = MoveLimit::Kind::Clock;
    clock.baseMs = 10000;
    clock.incrementMs = 100;
    MatchConfig config;
    config.engines[0] = EngineSetup{engine("a", "--score 300"), "A", clock, {}, 0};
    config.engines[1] = EngineSetup{engine("b", "--score -300"), "B", clock, {}, 0};
    config.rounds = 10;
    config.gamesPerRound = 2;
    config.concurrency = 2;
    config.openings = OpeningSetup{path("book.epd"), OpeningSetup::Format::Epd,
                                   OpeningSetup::Order::Sequential, std::nullopt, 1};
    config.adjudication.resign = ResignAdjudication{3, 200, false};
    config.adjudication.maxMoves = 60;
    config.pgnFile = path("games.pgn");
    config.stateFile = path("config.json");
    auto created = MatchRunner::create(config);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<MatchRunner>>(created))
        << std::get<std::string>(created);
    auto& runner = std::get<std::unique_ptr<MatchRunner>>(created);
    ASSERT_EQ(QCoro::waitFor(runner->run()), MatchEnd::Completed);
    const MatchCounts played = runner->progress().counts;
    // The games must tell the engines apart, or a mix-up of the first engine would not show.
    ASSERT_NE(played.wins, played.losses);
    ASSERT_GT(played.draws, 0);

    std::ifstream in(*config.pgnFile);
    std::ostringstream text;
    text << in.rdbuf();
    const ImportedMatch match = imported(text.str());
    EXPECT_TRUE(match.paired);
    ASSERT_EQ(match.records.size(), 20);
    // Which game of the first pair finished first is up to the machine: the file cannot say
    // which engine the runner was given first, only that the figures are one engine's.
    if (match.firstEngine == "A") {
        EXPECT_EQ(match.secondEngine, "B");
        expectSameCounts(match.counts, played);
    } else {
        EXPECT_EQ(match.firstEngine, "B");
        expectSameCounts(match.counts, mirrored(played));
    }
    for (const AutomatchGameRecord& record : match.records) {
        EXPECT_EQ(record.whiteIsEngine1, record.whiteEngineName.toStdString() == match.firstEngine);
        EXPECT_EQ(record.movesUCI.size(), record.movesCount);
        ASSERT_TRUE(record.initialFEN.has_value());
    }
}

} // namespace
} // namespace velkor::automatch

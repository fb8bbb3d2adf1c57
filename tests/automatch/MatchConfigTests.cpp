// The match command line: what a full command gives, and one clear line for each kind of mistake.
#include "automatch/MatchConfig.h"

#include <gtest/gtest.h>
#include <set>

namespace velkor::automatch {
namespace {

ArgumentEnvironment machine() {
    static const std::set<std::string> engines{"/usr/games/stockfish", "./dev"};
    static const std::set<std::string> files{"books/UHO.epd", "saved.json", "openings.pgn"};
    return {[](const std::string& command) { return engines.contains(command); },
            [](const std::string& path) { return files.contains(path); }, 2};
}

std::variant<MatchConfig, std::string> parse(std::vector<std::string> words) {
    return parseMatchArguments(words, machine());
}

TEST(MatchConfigTest, FullCommandLineGivesTheMatch) {
    const auto parsed = parse({"-engine",
                               "cmd=./dev",
                               "name=dev",
                               "option.Hash=64",
                               "-engine",
                               "cmd=/usr/games/stockfish",
                               "name=base",
                               "tc=40/60+0.6",
                               "-each",
                               "tc=10+0.1",
                               "option.Threads=1",
                               "option.Hash=16",
                               "timemargin=50",
                               "-rounds",
                               "100",
                               "-games",
                               "2",
                               "-repeat",
                               "-concurrency",
                               "2",
                               "-openings",
                               "file=books/UHO.epd",
                               "order=random",
                               "start=3",
                               "-srand",
                               "42",
                               "-sprt",
                               "elo0=-1.75",
                               "elo1=0.25",
                               "alpha=0.05",
                               "beta=0.1",
                               "model=logistic",
                               "-draw",
                               "movenumber=34",
                               "movecount=8",
                               "score=20",
                               "-resign",
                               "movecount=3",
                               "score=600",
                               "twosided=true",
                               "-maxmoves",
                               "200",
                               "-pgnout",
                               "file=out.pgn",
                               "-recover",
                               "-ratinginterval",
                               "20",
                               "-config",
                               "outname=run.json"});
    ASSERT_TRUE(std::holds_alternative<MatchConfig>(parsed)) << std::get<std::string>(parsed);
    const MatchConfig& config = std::get<MatchConfig>(parsed);

    const EngineSetup& dev = config.engines[0];
    EXPECT_EQ(dev.command, "./dev");
    EXPECT_EQ(dev.limit.kind, MoveLimit::Kind::Clock);
    EXPECT_EQ(dev.limit.baseMs, 10000);
    EXPECT_EQ(dev.limit.incrementMs, 100);
    EXPECT_EQ(dev.timeMarginMs, 50);
    // The engine's own Hash wins over -each's; -each's Threads still applies.
    using Options = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(dev.options, (Options{{"Threads", "1"}, {"Hash", "64"}}));
    const EngineSetup& base = config.engines[1];
    EXPECT_EQ(base.name, "base");
    EXPECT_EQ(base.limit.movesPerPeriod, 40);
    EXPECT_EQ(base.limit.baseMs, 60000);
    EXPECT_EQ(base.limit.incrementMs, 600);
    EXPECT_EQ(base.options, (Options{{"Threads", "1"}, {"Hash", "16"}}));

    EXPECT_EQ(config.rounds, 100);
    EXPECT_EQ(config.gamesPerRound, 2);
    EXPECT_EQ(config.concurrency, 2);
    ASSERT_TRUE(config.openings);
    EXPECT_EQ(config.openings->format, OpeningSetup::Format::Epd);
    EXPECT_EQ(config.openings->order, OpeningSetup::Order::Random);
    EXPECT_EQ(config.openings->start, 3);
    EXPECT_EQ(config.seed, 42u);
    ASSERT_TRUE(config.sprt);
    EXPECT_DOUBLE_EQ(config.sprt->elo0, -1.75);
    EXPECT_DOUBLE_EQ(config.sprt->beta, 0.1);
    EXPECT_EQ(config.sprt->model, SprtModel::Logistic);
    ASSERT_TRUE(config.adjudication.draw && config.adjudication.resign);
    EXPECT_EQ(config.adjudication.draw->moveNumber, 34);
    EXPECT_EQ(config.adjudication.draw->score, 20);
    EXPECT_TRUE(config.adjudication.resign->twoSided);
    EXPECT_EQ(config.adjudication.maxMoves, 200);
    EXPECT_EQ(config.pgnFile, "out.pgn");
    EXPECT_TRUE(config.recover);
    EXPECT_EQ(config.ratingInterval, 20);
    EXPECT_EQ(config.stateFile, "run.json");
    EXPECT_TRUE(config.pentanomial());

    // The fewest words: names from the commands, one game a round, concurrency one core short
    // of the machine's, pairs not reported without pairing.
    const auto minimal =
        parse({"-engine", "cmd=./dev", "depth=1", "-engine", "cmd=/usr/games/stockfish", "st=0.5"});
    ASSERT_TRUE(std::holds_alternative<MatchConfig>(minimal)) << std::get<std::string>(minimal);
    const MatchConfig& small = std::get<MatchConfig>(minimal);
    EXPECT_EQ(small.engines[0].name, "dev");
    EXPECT_EQ(small.engines[1].name, "stockfish");
    EXPECT_EQ(small.engines[1].limit.moveTimeMs, 500);
    EXPECT_EQ(small.concurrency, 1);
    EXPECT_FALSE(small.pentanomial());

    // Resuming takes the saved file alone.
    const auto resume = parse({"-config", "file=saved.json"});
    ASSERT_TRUE(std::holds_alternative<MatchConfig>(resume));
    EXPECT_EQ(std::get<MatchConfig>(resume).resumeFile, "saved.json");
}

TEST(MatchConfigTest, EveryMistakeIsOneLineNamingItsArgument) {
    const std::vector<std::string> engines{
        "-engine", "cmd=./dev", "tc=1+0.01", "-engine", "cmd=/usr/games/stockfish", "tc=1+0.01"};
    const auto with = [&](std::vector<std::string> extra) {
        std::vector<std::string> words = engines;
        words.insert(words.end(), extra.begin(), extra.end());
        return words;
    };
    const std::vector<std::pair<std::vector<std::string>, std::string>> mistakes{
        {with({"-concurrency", "0"}), "-concurrency"},
        {with({"-concurrency"}), "-concurrency"},
        {with({"-rounds", "ten"}), "-rounds"},
        {with({"-games", "3"}), "-games 3"},
        {with({"-openings", "file=missing.epd"}), "-openings file=missing.epd"},
        {with({"-openings", "file=books/UHO.epd", "format=bin"}), "-openings format=bin"},
        {with({"-sprt", "elo0=5", "elo1=0"}), "-sprt"},
        {with({"-sprt", "elo0=0", "elo1=5", "model=trinomial"}), "-sprt model=trinomial"},
        {with({"-draw", "movenumber=30", "score=10"}), "-draw"},
        {with({"-resign", "movecount=3", "score=-1"}), "-resign score"},
        {with({"-resign", "movecount=3", "score=500", "twosided=yes"}), "-resign twosided"},
        {with({"-report", "penta=maybe"}), "-report penta"},
        {with({"-tournament", "gauntlet"}), "-tournament"},
        {with({"-config", "file=saved.json"}), "-config file=saved.json"},
        {{"-engine", "cmd=./dev", "tc=1", "-engine", "cmd=./gone", "tc=1"}, "-engine cmd=./gone"},
        {{"-engine", "cmd=./dev", "tc=1"}, "-engine"},
        {{"-engine", "cmd=./dev", "-engine", "cmd=/usr/games/stockfish", "tc=1"},
         "-engine name=dev"},
        {{"-engine", "cmd=./dev", "tc=0+0", "-engine", "cmd=/usr/games/stockfish", "tc=1"},
         "-engine tc=0+0"},
        {{"-engine", "cmd=./dev", "name=x", "tc=1", "-engine", "cmd=/usr/games/stockfish", "name=x",
          "tc=1"},
         "-engine name=x"},
        {{"-engine", "cmd=./dev", "tc=1", "colour=white", "-engine", "cmd=/usr/games/stockfish",
          "tc=1"},
         "-engine colour"},
        {{"-engine", "cmd=./dev", "tc=1", "-engine", "cmd=/usr/games/stockfish", "tc=1", "-pgnout",
          "out.pgn"},
         "-pgnout out.pgn"},
    };
    for (const auto& [words, argument] : mistakes) {
        const auto parsed = parse(words);
        ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << argument;
        const std::string& line = std::get<std::string>(parsed);
        EXPECT_EQ(line.rfind("velkor-match: " + argument, 0), 0u) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    }

    // A control character in an argument cannot break the line.
    const auto controlled = parse(with({"-rounds", "1\n2"}));
    ASSERT_TRUE(std::holds_alternative<std::string>(controlled));
    EXPECT_EQ(std::get<std::string>(controlled).find('\n'), std::string::npos);
}

} // namespace
} // namespace velkor::automatch

// The full-speed match runner's own cost and a few whole matches, timed in one plain program:
//   overhead  two instantly moving engines: from one engine's best move arriving to the other
//             engine's search being sent (median and 99th percentile), and the match's wall time
//   depth1    100 games of Stockfish at depth 1 against itself, concurrency 1 and 2
//   rss       velkor-match over 1,000 games of instant engines: resident memory sampled as it runs
//   clock     GAMES games of Stockfish at 10+0.1 against itself, CONCURRENCY at once: time losses
// Usage: bench_match_runner overhead|depth1|rss|clock [GAMES CONCURRENCY]
#include "automatch/MatchRunner.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

using namespace velkor::automatch;

namespace {

MoveLimit limitOf(MoveLimit::Kind kind, int depth = 0) {
    MoveLimit limit;
    limit.kind = kind;
    limit.baseMs = 60'000;
    limit.incrementMs = 1000;
    limit.depth = depth;
    return limit;
}

std::string wrapper(const QTemporaryDir& dir, const std::string& name, const std::string& args) {
    const std::string path = dir.filePath(QString::fromStdString(name)).toStdString();
    std::ofstream(path) << "#!/bin/sh\nexec '" << VELKOR_INSTANT_ENGINE << "' " << args
                        << " \"$@\"\n";
    QFile::setPermissions(QString::fromStdString(path),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return path;
}

double percentile(std::vector<double> values, double fraction) {
    std::sort(values.begin(), values.end());
    const auto index = static_cast<std::size_t>(fraction * static_cast<double>(values.size() - 1));
    return values[index];
}

// Plays the match and returns its wall time in seconds.
double play(MatchConfig config, std::vector<double>* overheads) {
    auto created = MatchRunner::create(config);
    if (auto* problem = std::get_if<std::string>(&created)) {
        std::fprintf(stderr, "%s\n", problem->c_str());
        std::exit(1);
    }
    auto& runner = *std::get<std::unique_ptr<MatchRunner>>(created);
    MatchObserver observer;
    if (overheads) {
        observer.moveOverhead = [overheads](double seconds) { overheads->push_back(seconds); };
    }
    observer.gameFinished = [](const PlayedGame& game) {
        if (game.timeLoss) {
            std::printf("  time loss in game %lld: %s\n", static_cast<long long>(game.index + 1),
                        game.reason.c_str());
        }
    };
    runner.setObserver(observer);
    QElapsedTimer timer;
    timer.start();
    const MatchEnd end = QCoro::waitFor(runner.run());
    const double seconds = static_cast<double>(timer.nsecsElapsed()) * 1e-9;
    std::printf("  %lld games, end %d, W/L/D %lld/%lld/%lld, time losses %lld, %.2f s\n",
                static_cast<long long>(runner.progress().countedGames), static_cast<int>(end),
                static_cast<long long>(runner.progress().counts.wins),
                static_cast<long long>(runner.progress().counts.losses),
                static_cast<long long>(runner.progress().counts.draws),
                static_cast<long long>(runner.timeLosses()), seconds);
    return seconds;
}

MatchConfig baseConfig(const QTemporaryDir& dir) {
    MatchConfig config;
    config.rounds = 50;
    config.gamesPerRound = 2;
    config.stateFile = dir.filePath("config.json").toStdString();
    config.pgnFile = dir.filePath("games.pgn").toStdString();
    return config;
}

long rssKilobytes(qint64 pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with("VmRSS:")) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "overhead";
    QTemporaryDir dir;

    if (mode == "overhead") {
        MatchConfig config = baseConfig(dir);
        config.engines[0] =
            EngineSetup{wrapper(dir, "a", ""), "A", limitOf(MoveLimit::Kind::Clock), {}, 0};
        config.engines[1] =
            EngineSetup{wrapper(dir, "b", ""), "B", limitOf(MoveLimit::Kind::Clock), {}, 0};
        config.adjudication.maxMoves = 60;
        std::vector<double> overheads;
        std::printf("100 games, two instant engines, 60+1 clock, concurrency 1:\n");
        play(config, &overheads);
        std::printf(
            "  overhead per move over %zu moves: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
            overheads.size(), percentile(overheads, 0.5) * 1e3, percentile(overheads, 0.99) * 1e3,
            percentile(overheads, 1.0) * 1e3);
        return 0;
    }
    if (mode == "depth1") {
        for (const int concurrency : {1, 2}) {
            MatchConfig config = baseConfig(dir);
            QFile::remove(QString::fromStdString(*config.pgnFile));
            for (int e = 0; e < 2; ++e) {
                config.engines[static_cast<std::size_t>(e)] =
                    EngineSetup{"/usr/games/stockfish",
                                e == 0 ? "SF-A" : "SF-B",
                                limitOf(MoveLimit::Kind::Depth, 1),
                                {{"Threads", "1"}, {"Hash", "16"}},
                                0};
            }
            config.concurrency = concurrency;
            std::printf("100 games, Stockfish depth 1 against itself, concurrency %d:\n",
                        concurrency);
            play(config, nullptr);
        }
        return 0;
    }
    if (mode == "rss") {
        const std::string a = wrapper(dir, "a", "");
        const std::string b = wrapper(dir, "b", "");
        QProcess process;
        process.setWorkingDirectory(dir.path());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.start(VELKOR_MATCH_PROGRAM,
                      {"-engine", QString::fromStdString("cmd=" + a), "name=A", "-engine",
                       QString::fromStdString("cmd=" + b), "name=B", "-each", "tc=60+1", "-rounds",
                       "500", "-repeat", "-concurrency", "1", "-maxmoves", "40", "-pgnout",
                       "file=games.pgn", "-ratinginterval", "100"});
        process.waitForStarted();
        QElapsedTimer timer;
        timer.start();
        std::vector<long> samples;
        while (!process.waitForFinished(250)) {
            samples.push_back(rssKilobytes(process.processId()));
        }
        std::printf("velkor-match, 1,000 games of two instant engines: %.1f s, exit %d\n",
                    static_cast<double>(timer.elapsed()) / 1000.0, process.exitCode());
        const std::size_t n = samples.size();
        if (n >= 4) {
            std::printf("  RSS (kB) at 10%% %ld, 50%% %ld, 90%% %ld, last %ld, max %ld\n",
                        samples[n / 10], samples[n / 2], samples[n * 9 / 10], samples[n - 1],
                        *std::max_element(samples.begin(), samples.end()));
        }
        return 0;
    }
    if (mode == "clock" && argc == 4) {
        MatchConfig config = baseConfig(dir);
        config.rounds = std::max(1, std::atoi(argv[2]) / 2);
        config.concurrency = std::max(1, std::atoi(argv[3]));
        for (int e = 0; e < 2; ++e) {
            MoveLimit limit = limitOf(MoveLimit::Kind::Clock);
            limit.baseMs = 10'000;
            limit.incrementMs = 100;
            config.engines[static_cast<std::size_t>(e)] =
                EngineSetup{"/usr/games/stockfish",
                            e == 0 ? "SF-A" : "SF-B",
                            limit,
                            {{"Threads", "1"}, {"Hash", "16"}},
                            0};
        }
        std::printf("%d games, Stockfish 10+0.1 against itself, concurrency %d:\n",
                    config.rounds * 2, config.concurrency);
        play(config, nullptr);
        return 0;
    }
    std::fprintf(stderr, "usage: bench_match_runner overhead|depth1|rss|clock GAMES CONCURRENCY\n");
    return 1;
}

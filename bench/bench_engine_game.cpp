// What the game session adds to an engine-against-engine game beyond the engines' own thinking
// and the 0.2 s pause, and what the process's memory does over 200 plies.
//
// Two Stockfish engines play at a fixed move time of 0.1 s, game after game, until 200 plies are
// played. Each engine runs behind a relay (this program, started as "--relay LOG ENGINE") that
// copies the dialogue both ways and notes the monotonic time of every "bestmove" it reads from
// the engine and of every "go" it reads from us. Per move, the session's share is the time from
// one engine's "bestmove" leaving the engine to the other engine's next "go" arriving at it,
// minus the pause: it covers reading and parsing the answer, both hops to the main thread,
// judging and playing the move, the clock, the pause timer's accuracy, and writing the position
// and the search.
//
// Usage: bench_engine_game [plies]   (default 200; needs /usr/games/stockfish)
#include "game/GameManager.h"
#include "platform/SoundManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <numeric>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using namespace velkor;

const char* const stockfishPath = "/usr/games/stockfish";

long long monotonicNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Copies whole lines from `from` to `to`, stamping those that start with `marker` in the log.
void copyLines(int from, int to, const char* marker, std::FILE* log, std::mutex& logMutex) {
    std::string pending;
    char buffer[4096];
    while (true) {
        const ssize_t n = ::read(from, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        pending.append(buffer, static_cast<std::size_t>(n));
        std::size_t end = 0;
        while ((end = pending.find('\n')) != std::string::npos) {
            const std::string line = pending.substr(0, end + 1);
            pending.erase(0, end + 1);
            if (line.rfind(marker, 0) == 0) {
                const std::lock_guard lock(logMutex);
                std::fprintf(log, "%lld %s\n", monotonicNs(), marker);
                std::fflush(log);
            }
            std::size_t written = 0;
            while (written < line.size()) {
                const ssize_t w = ::write(to, line.data() + written, line.size() - written);
                if (w <= 0) {
                    return;
                }
                written += static_cast<std::size_t>(w);
            }
        }
    }
}

// The relay between the session and one engine.
int relay(const char* logPath, const char* enginePath) {
    int toEngine[2];
    int fromEngine[2];
    if (::pipe(toEngine) != 0 || ::pipe(fromEngine) != 0) {
        return 1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(toEngine[0], 0);
        ::dup2(fromEngine[1], 1);
        for (const int fd : {toEngine[0], toEngine[1], fromEngine[0], fromEngine[1]}) {
            ::close(fd);
        }
        ::execl(enginePath, enginePath, static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(toEngine[0]);
    ::close(fromEngine[1]);
    std::FILE* log = std::fopen(logPath, "a");
    if (!log) {
        return 1;
    }
    std::mutex logMutex;
    std::thread answers([&] { copyLines(fromEngine[0], 1, "bestmove", log, logMutex); });
    copyLines(0, toEngine[1], "go", log, logMutex);
    ::close(toEngine[1]);
    answers.join();
    ::waitpid(child, nullptr, 0);
    std::fclose(log);
    return 0;
}

class SilentPlayer : public platform::SoundPlayer {
public:
    void play(platform::SoundEffect) override {}
};

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

// An engine configuration running Stockfish behind a relay that logs to `logPath`.
EngineConfiguration relayedEngine(const QDir& dir, const QString& name, const QString& logPath) {
    const QString wrapper = dir.filePath(name);
    QFile file(wrapper);
    file.open(QIODevice::WriteOnly);
    file.write(("#!/bin/sh\nexec '" + QCoreApplication::applicationFilePath() + "' --relay '" +
                logPath + "' " + stockfishPath + "\n")
                   .toUtf8());
    file.close();
    file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EngineConfiguration config = EngineConfiguration::makeNew(name, wrapper, {});
    config.threads = 1;
    config.hashMB = 16;
    return config;
}

struct Event {
    long long ns;
    int engine;
    bool isGo;
};

// Session time per move in milliseconds: each best move to the other engine's next search.
std::vector<double> sessionShares(const std::vector<QString>& logs, double pauseMs) {
    std::vector<double> shares;
    // Logs come in pairs, White's and Black's of one game.
    for (std::size_t game = 0; game + 1 < logs.size(); game += 2) {
        std::vector<Event> events;
        for (int side = 0; side < 2; ++side) {
            std::ifstream in(logs[game + static_cast<std::size_t>(side)].toStdString());
            long long ns = 0;
            std::string kind;
            while (in >> ns >> kind) {
                events.push_back({ns, side, kind == "go"});
            }
        }
        std::sort(events.begin(), events.end(),
                  [](const Event& a, const Event& b) { return a.ns < b.ns; });
        for (std::size_t i = 0; i + 1 < events.size(); ++i) {
            const Event& answer = events[i];
            const Event& next = events[i + 1];
            if (!answer.isGo && next.isGo && next.engine != answer.engine) {
                shares.push_back(static_cast<double>(next.ns - answer.ns) / 1e6 - pauseMs);
            }
        }
    }
    return shares;
}

int runGames(int argc, char** argv) {
    QTemporaryDir dir;
    // The registry must not read or write the user's real settings.
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    QCoreApplication app(argc, argv);
    if (!QFileInfo(stockfishPath).isExecutable()) {
        std::fprintf(stderr, "bench_engine_game: %s is missing\n", stockfishPath);
        return 0;
    }
    const int targetPlies = argc > 1 ? std::max(21, std::atoi(argv[1])) : 200;

    SilentPlayer player;
    platform::SoundManager sounds(player);
    EngineManagerEnvironment registryEnvironment;
    registryEnvironment.searchPaths = EngineSearchPaths{};
    EngineManager engines(registryEnvironment);
    GameManager manager(sounds, engines);
    manager.setGameMode(GameMode::engineVsEngine);
    manager.setTimeControlConfig(
        {TimeControlPreset::blitz5_3, 5, 3, EngineThinkingMode::fixedMoveTime(0.1)});
    const double pauseMs = 200.0;

    std::vector<QString> logs;
    const QDir folder(dir.path());
    const auto startGame = [&] {
        const QString number = QString::number(logs.size() / 2 + 1);
        logs.push_back(folder.filePath("game" + number + "-white.log"));
        logs.push_back(folder.filePath("game" + number + "-black.log"));
        engines.setSelectedWhiteEngine(
            relayedEngine(folder, "white" + number, logs[logs.size() - 2]));
        engines.setSelectedBlackEngine(relayedEngine(folder, "black" + number, logs.back()));
        manager.startNewGame();
    };

    int plies = 0;
    long rssAt20 = -1;
    long rssAtEnd = -1;
    QObject::connect(&manager, &GameManager::lastMoveChanged, [&](std::optional<Move> move) {
        if (!move) {
            return;
        }
        ++plies;
        if (plies == 20) {
            rssAt20 = residentKilobytes();
        }
        if (plies == targetPlies) {
            rssAtEnd = residentKilobytes();
            // Not from inside the move's own handling.
            QTimer::singleShot(0, &manager, &GameManager::stopCurrentGame);
            QTimer::singleShot(500, &app, &QCoreApplication::quit);
        }
    });
    QObject::connect(&manager, &GameManager::isGameOverChanged, [&](bool over) {
        if (over && plies < targetPlies) {
            QTimer::singleShot(0, &app, startGame);
        }
    });
    QTimer::singleShot(0, &app, startGame);
    app.exec();

    std::vector<double> shares = sessionShares(logs, pauseMs);
    if (shares.empty()) {
        std::fprintf(stderr, "bench_engine_game: no moves were measured\n");
        return 1;
    }
    std::sort(shares.begin(), shares.end());
    const double mean =
        std::accumulate(shares.begin(), shares.end(), 0.0) / static_cast<double>(shares.size());
    const auto at = [&](double fraction) {
        return shares[std::min(
            shares.size() - 1,
            static_cast<std::size_t>(fraction * static_cast<double>(shares.size())))];
    };
    std::printf("engine game, Stockfish vs Stockfish at movetime 100 ms, %d plies in %zu games\n",
                plies, logs.size() / 2);
    std::printf("session time per move beyond thinking and the %.0f ms pause (%zu moves):\n",
                pauseMs, shares.size());
    std::printf("  mean %.2f ms, median %.2f ms, p95 %.2f ms, max %.2f ms, min %.2f ms\n", mean,
                at(0.5), at(0.95), shares.back(), shares.front());
    std::printf("resident memory: %ld kB after 20 plies, %ld kB after %d plies (%+ld kB)\n",
                rssAt20, rssAtEnd, targetPlies, rssAtEnd - rssAt20);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "--relay") == 0) {
        return relay(argv[2], argv[3]);
    }
    return runGames(argc, argv);
}

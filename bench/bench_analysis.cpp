// The analysis engine as a person uses it, stepping through a loaded game with the arrow keys:
//  1. a fake engine that stamps every line it receives with CLOCK_MONOTONIC: from the step to
//     "go infinite" at the engine, median and maximum of 50 steps;
//  2. Stockfish: from the step to the first line of the new position in the panel, 50 steps;
//  3. Stockfish's processor use from 500 ms to 1500 ms after the analysis is stopped;
//  4. the main thread's busy share while Stockfish analyses 5 lines with the panel shown.
// A plain program; it runs offscreen. Usage: bench_analysis [STOCKFISH]
#include "game/AnalysisEngine.h"
#include "game/AnalysisFollower.h"
#include "game/AnalysisVariation.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "platform/SoundManager.h"
#include "uci/EngineManager.h"
#include "views/AnalysisPanel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <functional>
#include <sstream>
#include <unistd.h>
#include <vector>

namespace {

using namespace velkor;

class SilentPlayer : public platform::SoundPlayer {
public:
    void play(platform::SoundEffect) override {}
};

// 60 plies of a Ruy Lopez, loaded and then stepped through.
const char* const gamePgn =
    "1. e4 e5 2. Nf3 Nc6 3. Bb5 a6 4. Ba4 Nf6 5. O-O Be7 6. Re1 b5 7. Bb3 d6 8. c3 O-O "
    "9. h3 Na5 10. Bc2 c5 11. d4 Qc7 12. Nbd2 cxd4 13. cxd4 Nc6 14. Nb3 a5 15. Be3 a4 "
    "16. Nbd2 Bd7 17. Rc1 Qb7 18. Nf1 Rfc8 19. Ng3 Nb4 20. Bb1 Rxc1 21. Qxc1 Rc8 "
    "22. Qd2 h6 23. a3 Nc6 24. Bd3 Qb6 25. Rc1 exd4 26. Nxd4 Nxd4 27. Bxd4 Qd8 "
    "28. Rxc8 Qxc8 29. Qc2 Qxc2 30. Bxc2 Be6 *";

long long monotonicNs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

bool waitFor(const std::function<bool()>& condition, int timeoutMs = 10000) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs) {
            return false;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    }
    return true;
}

void runFor(int milliseconds) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
}

void printFigures(const char* what, std::vector<double> values) {
    if (values.empty()) {
        std::printf("%s: no data\n", what);
        return;
    }
    std::sort(values.begin(), values.end());
    std::printf("%s: median %.1f ms, max %.1f ms (%zu steps)\n", what, values[values.size() / 2],
                values.back(), values.size());
}

// utime + stime of a process in seconds, from /proc.
double processCpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), {});
    const auto close = text.rfind(')');
    if (close == std::string::npos) {
        return 0;
    }
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int index = 3; fields >> field; ++index) {
        if (index == 14) {
            utime = std::stoull(field);
        } else if (index == 15) {
            stime = std::stoull(field);
            break;
        }
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Our child whose command name contains `name`.
std::optional<pid_t> childNamed(const std::string& name) {
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        if (!numeric) {
            continue;
        }
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const auto open = text.find('(');
        const auto close = text.rfind(')');
        if (open == std::string::npos || close == std::string::npos) {
            continue;
        }
        std::istringstream rest(text.substr(close + 2));
        std::string state;
        int parent = 0;
        rest >> state >> parent;
        if (parent == getpid() &&
            text.substr(open + 1, close - open - 1).find(name) != std::string::npos) {
            return pid;
        }
    }
    return std::nullopt;
}

struct Session {
    Session(EngineManager& engines, const EngineConfiguration& engine, std::int64_t lines)
        : sounds(player), game(sounds, engines), follower(game, analysis, variation) {
        game.setGameMode(GameMode::humanVsHuman);
        game.loadPGN(QString::fromLatin1(gamePgn));
        analysis.setLineCount(lines);
        analysis.setThreads(2);
        analysis.setEngine(engine);
        analysis.setActive(true);
    }
    SilentPlayer player;
    platform::SoundManager sounds;
    GameManager game;
    AnalysisEngine analysis;
    AnalysisVariation variation;
    AnalysisFollower follower;
};

// 50 steps: 30 back from the end, 20 forward again, one every 200 ms.
GameManager::NavigationStep stepAt(int index) {
    return index < 30 ? GameManager::NavigationStep::back : GameManager::NavigationStep::forward;
}

void fakeEngineSteps(EngineManager& engines, const char* fakeEngine) {
    QTemporaryDir dir;
    const QString stamps = dir.filePath("stamps");
    QFile script(dir.filePath("script"));
    script.open(QIODevice::WriteOnly);
    QTextStream(&script) << "stamp " << stamps << "\n"
                         << "on uci\nsay uciok\non isready\nsay readyok\n"
                         << "on go\nsay info depth 8 multipv 1 score cp 20 nps 100000 pv e2e4\n"
                         << "on stop\nsay bestmove e2e4\n";
    script.close();
    const QString path = dir.filePath("engine");
    QFile wrapper(path);
    wrapper.open(QIODevice::WriteOnly);
    QTextStream(&wrapper) << "#!/bin/sh\nexec '" << fakeEngine << "' '" << dir.filePath("script")
                          << "'\n";
    wrapper.close();
    wrapper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    Session session(engines, EngineConfiguration::makeNew("Fake", path, {}), 1);
    const auto goStamps = [&stamps] {
        std::vector<long long> result;
        std::ifstream in(stamps.toStdString());
        long long stamp = 0;
        std::string command;
        while (in >> stamp && std::getline(in, command)) {
            if (command == " go infinite") {
                result.push_back(stamp);
            }
        }
        return result;
    };
    waitFor([&] { return goStamps().size() == 1; });
    std::vector<double> delays;
    for (int step = 0; step < 50; ++step) {
        const std::size_t before = goStamps().size();
        const long long pressed = monotonicNs();
        session.game.navigate(stepAt(step));
        if (!waitFor([&] { return goStamps().size() > before; })) {
            std::printf("step %d: no go infinite\n", step);
            continue;
        }
        delays.push_back(static_cast<double>(goStamps().back() - pressed) / 1e6);
        runFor(200);
    }
    printFigures("fake engine, step to 'go infinite' received", delays);
}

void stockfishSteps(EngineManager& engines, const QString& stockfish) {
    Session session(engines, EngineConfiguration::makeNew("Stockfish", stockfish, {}), 3);
    waitFor([&] { return !session.analysis.lines().empty(); });
    std::vector<double> delays;
    for (int step = 0; step < 50; ++step) {
        QElapsedTimer timer;
        timer.start();
        session.game.navigate(stepAt(step));
        const std::string fen = session.game.displayedBoard().fen();
        if (!waitFor([&] {
                return session.analysis.position().fen() == fen &&
                       !session.analysis.lines().empty();
            })) {
            std::printf("step %d: no line\n", step);
            continue;
        }
        delays.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        runFor(200);
    }
    printFigures("Stockfish (3 lines, 2 threads), step to the first new line", delays);

    const std::optional<pid_t> pid = childNamed("stockfish");
    if (!pid) {
        std::printf("Stockfish's process was not found\n");
        return;
    }
    session.analysis.setInfinite(true);
    session.analysis.setActive(true);
    runFor(1000);
    session.analysis.setActive(false);
    runFor(500);
    const double cpuAt500 = processCpuSeconds(*pid);
    runFor(1000);
    const double cpuAfter = processCpuSeconds(*pid);
    std::printf("Stockfish CPU from 500 to 1500 ms after Stop: %.1f %% of one core\n",
                (cpuAfter - cpuAt500) * 100.0);
}

void mainThreadLoad(EngineManager& engines, const QString& stockfish,
                    LocalizationManager& localization) {
    Session session(engines, EngineConfiguration::makeNew("Stockfish", stockfish, {}), 5);
    session.analysis.setInfinite(true);
    AnalysisPanel panel(session.analysis, session.variation, engines, localization);
    panel.resize(400, 700);
    panel.show();
    waitFor([&] { return !session.analysis.lines().empty(); });
    const double cpuBefore = threadCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    runFor(10000);
    const double busy =
        (threadCpuSeconds() - cpuBefore) / (static_cast<double>(wall.elapsed()) / 1e3);
    std::printf("main thread busy while Stockfish analyses 5 lines, panel shown: %.1f %%\n",
                busy * 100.0);
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir settings;
    qputenv("XDG_CONFIG_HOME", settings.filePath("config").toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QString stockfish =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/usr/games/stockfish");
    EngineManagerEnvironment registryEnvironment;
    registryEnvironment.searchPaths = EngineSearchPaths{};
    EngineManager engines(registryEnvironment);
    LocalizationManager localization;

    fakeEngineSteps(engines, VELKOR_FAKE_UCI_ENGINE);
    if (!QFileInfo(stockfish).isExecutable()) {
        std::printf("%s is missing: the Stockfish figures are left out\n", qPrintable(stockfish));
        return 0;
    }
    stockfishSteps(engines, stockfish);
    mainThreadLoad(engines, stockfish, localization);
    return 0;
}

// velkor-match: plays a full-speed engine match and prints its progress and summary lines.
// Bad arguments: one line on standard error, nothing on standard output, exit status 1.
// SIGINT saves the run (resume it with -config file=F) and exits with status 0.
#include "automatch/MatchCommandLine.h"
#include "automatch/MatchConfig.h"
#include "automatch/MatchReport.h"
#include "automatch/MatchRunner.h"
#include "automatch/MatchState.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <algorithm>
#include <csignal>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

using namespace velkor::automatch;

namespace {

int interruptPipe[2] = {-1, -1};

void onInterrupt(int) {
    const char byte = 1;
    // Only async-signal-safe work here; the event loop reads the byte.
    [[maybe_unused]] const auto written = ::write(interruptPipe[1], &byte, 1);
}

// The executable a command names: a path as given, or a name looked up in PATH.
QString resolvedEngine(const std::string& command) {
    const QString text = QString::fromStdString(command);
    if (text.contains('/')) {
        const QFileInfo info(text);
        return info.isFile() && info.isExecutable() ? info.absoluteFilePath() : QString();
    }
    return QStandardPaths::findExecutable(text);
}

int fail(const std::string& line) {
    std::cerr << line << '\n';
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    const auto print = std::find(arguments.begin(), arguments.end(), "--print-fastchess");
    const bool printFastchess = print != arguments.end();
    if (printFastchess) {
        arguments.erase(print);
    }

    ArgumentEnvironment environment;
    environment.engineExists = [](const std::string& command) {
        return !resolvedEngine(command).isEmpty();
    };
    environment.fileExists = [](const std::string& path) {
        return QFileInfo(QString::fromStdString(path)).isFile();
    };
    environment.cores = QThread::idealThreadCount();
    auto parsed = parseMatchArguments(arguments, environment);
    if (auto* problem = std::get_if<std::string>(&parsed)) {
        return fail(*problem);
    }
    MatchConfig config = std::get<MatchConfig>(std::move(parsed));

    std::optional<MatchProgress> progress;
    if (config.resumeFile) {
        const std::string file = *config.resumeFile;
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        auto saved = savedMatchFromJson(text.str());
        if (auto* problem = std::get_if<std::string>(&saved)) {
            return fail("velkor-match: -config file=" + file + ": " + *problem);
        }
        config = std::get<SavedMatch>(saved).config;
        progress = std::get<SavedMatch>(saved).progress;
        // Go on saving where the run was read from, so the next interruption resumes the same way.
        config.stateFile = file;
        for (const EngineSetup& engine : config.engines) {
            if (resolvedEngine(engine.command).isEmpty()) {
                return fail("velkor-match: -config file=" + file + ": engine " + engine.command +
                            " is gone");
            }
        }
    } else {
        for (EngineSetup& engine : config.engines) {
            engine.command = resolvedEngine(engine.command).toStdString();
        }
    }

    if (printFastchess) {
        std::cout << fastchessCommand(config) << '\n';
        return 0;
    }

    auto created = MatchRunner::create(config, progress);
    if (auto* problem = std::get_if<std::string>(&created)) {
        return fail(*problem);
    }
    MatchRunner& runner = *std::get<std::unique_ptr<MatchRunner>>(created);

    if (::pipe(interruptPipe) != 0) {
        return fail("velkor-match: cannot watch for interruptions");
    }
    QSocketNotifier interrupts(interruptPipe[0], QSocketNotifier::Read);
    QObject::connect(&interrupts, &QSocketNotifier::activated, [&] {
        char byte = 0;
        [[maybe_unused]] const auto read = ::read(interruptPipe[0], &byte, 1);
        runner.requestStop();
    });
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);

    std::int64_t lastSummaryAt = -1;
    const auto printSummary = [&] {
        if (lastSummaryAt == runner.progress().countedGames) {
            return;
        }
        lastSummaryAt = runner.progress().countedGames;
        std::cout << summaryBlock(runner.summary()) << std::flush;
    };
    MatchObserver observer;
    observer.gameStarted = [](std::int64_t number, std::int64_t total, const std::string& white,
                              const std::string& black) {
        std::cout << startedGameLine(number, total, white, black) << '\n' << std::flush;
    };
    observer.gameFinished = [](const PlayedGame& game) {
        std::cout << finishedGameLine(game.index + 1, game.white, game.black, game.result,
                                      game.reason)
                  << '\n'
                  << std::flush;
    };
    const int interval = config.ratingInterval;
    observer.countsChanged = [&, bucket = std::int64_t{0}](std::int64_t counted) mutable {
        // Pairs are counted two games at a time, so an interval may be passed rather than met.
        if (interval > 0 && counted / interval > bucket) {
            bucket = counted / interval;
            printSummary();
        }
    };
    runner.setObserver(std::move(observer));

    const MatchEnd end = QCoro::waitFor(runner.run());
    printSummary();
    switch (end) {
    case MatchEnd::Completed:
    case MatchEnd::SprtDecided:
    case MatchEnd::Interrupted:
        return 0;
    case MatchEnd::EngineFailure:
    case MatchEnd::StateNotSaved:
        break;
    }
    std::cerr << "velkor-match: " << runner.failure() << '\n';
    return 1;
}

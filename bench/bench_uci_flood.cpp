// What a flood of 100,000 info lines from an engine costs the main thread: how many batches reach
// it per second (the design caps this near 10, plus one for the best move) and how much CPU time
// the main thread spends from the search command to the best move.
#include "uci/UCIEngineProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>
#include <qcoro/qcorotask.h>

namespace {

constexpr int floodLines = 100000;

double mainThreadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// An executable that runs the fake engine with a script answering "go" with the flood: all at
// once, or spread over `spreadMs` milliseconds.
QString writeFloodEngine(const QTemporaryDir& dir, std::int64_t spreadMs) {
    const QString script = dir.filePath("script");
    QFile scriptFile(script);
    scriptFile.open(QIODevice::WriteOnly);
    const QByteArray flood = spreadMs == 0 ? "flood " + QByteArray::number(floodLines)
                                           : "trickle " + QByteArray::number(floodLines) + ' ' +
                                                 QByteArray::number(spreadMs);
    scriptFile.write("on uci\nsay uciok\non isready\nsay readyok\non go\n" + flood +
                     " info depth 20 seldepth 31 multipv 1 score cp 31 nodes 1843221 nps 1203412 "
                     "time 1531 pv e2e4 e7e5 g1f3 b8c6 f1b5 g8f6 e1g1 f6e4\n"
                     "say bestmove e2e4\n");
    scriptFile.close();
    const QString path = dir.filePath("engine");
    QFile wrapper(path);
    wrapper.open(QIODevice::WriteOnly);
    wrapper.write("#!/bin/sh\nexec '" VELKOR_FAKE_UCI_ENGINE "' '" + script.toUtf8() + "'\n");
    wrapper.close();
    wrapper.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

void BM_InfoFloodOnTheMainThread(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = writeFloodEngine(dir, state.range(0));
    double batches = 0;
    double seconds = 0;
    double cpuSeconds = 0;
    for (auto _ : state) {
        velkor::EngineConfiguration config =
            velkor::EngineConfiguration::makeNew("Flood", path, {});
        config.multiPV.reset();
        velkor::UCIEngineProcess engine(config, 5.0);
        if (!QCoro::waitFor(engine.start())) {
            state.SkipWithError("the fake engine did not start");
            return;
        }
        QCoreApplication::processEvents();
        int received = 0;
        QObject::connect(&engine, &velkor::UCIEngineProcess::logLinesChanged,
                         [&received] { ++received; });
        QElapsedTimer elapsed;
        const double cpuBefore = mainThreadCpuSeconds();
        elapsed.start();
        QCoro::waitFor(engine.search({.movetime = 100}));
        seconds += static_cast<double>(elapsed.nsecsElapsed()) * 1e-9;
        cpuSeconds += mainThreadCpuSeconds() - cpuBefore;
        batches += received;
    }
    const auto runs = static_cast<double>(state.iterations());
    state.counters["flood_ms"] = seconds / runs * 1000.0;
    state.counters["batches"] = batches / runs;
    state.counters["batches_per_s"] = batches / seconds;
    state.counters["main_cpu_ms"] = cpuSeconds / runs * 1000.0;
    state.counters["lines_per_s"] = floodLines * runs / seconds;
}
// Argument: over how many milliseconds the engine spreads the flood (0: as fast as it can).
BENCHMARK(BM_InfoFloodOnTheMainThread)
    ->Arg(0)
    ->Arg(2000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

} // namespace

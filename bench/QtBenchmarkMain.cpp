#include <QCoreApplication>
#include <benchmark/benchmark.h>

// Benchmarks of Qt objects (timers, threads, queued calls) need an application object.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// How many typical Stockfish output lines one core parses per second: line splitting with the
// UTF-8 check and trimming, then the dispatch and info parsing that run on an engine's worker.
#include "uci/UciLineSplitter.h"
#include "uci/UciOutputState.h"

#include <benchmark/benchmark.h>
#include <string>
#include <vector>

namespace {

// A MultiPV 3 search as Stockfish 15 reports it, one iteration of three lines and some chatter.
const std::vector<std::string> stockfishLines = {
    "info depth 18 seldepth 27 multipv 1 score cp 34 nodes 1843221 nps 1203412 hashfull 512 "
    "tbhits 0 time 1531 pv e2e4 e7e5 g1f3 b8c6 f1b5 g8f6 e1g1 f6e4 f1e1 e4d6 f3e5 f8e7 b5f1 c6e5 "
    "e1e5 e8g8",
    "info depth 18 seldepth 25 multipv 2 score cp 29 nodes 1843221 nps 1203412 hashfull 512 "
    "tbhits 0 time 1531 pv d2d4 g8f6 c2c4 e7e6 g1f3 d7d5 b1c3 f8e7 c1f4 e8g8 e2e3 c7c5",
    "info depth 18 seldepth 24 multipv 3 score cp 22 upperbound nodes 1843221 nps 1203412 "
    "hashfull 512 tbhits 0 time 1531 pv g1f3 d7d5 d2d4 g8f6 c2c4 e7e6 b1c3",
    "info depth 19 currmove e2e4 currmovenumber 1",
    "info string NNUE evaluation using nn-ad9b42354671.nnue enabled",
};

std::string joinedOutput(int repetitions) {
    std::string output;
    for (int i = 0; i < repetitions; ++i) {
        for (const auto& line : stockfishLines) {
            output += line;
            output += '\n';
        }
    }
    return output;
}

void BM_ParseStockfishLines(benchmark::State& state) {
    velkor::uci::UciOutputState output;
    std::size_t index = 0;
    for (auto _ : state) {
        const auto effect = output.consumeLine(stockfishLines[index], 0.0);
        benchmark::DoNotOptimize(effect.kind);
        index = (index + 1) % stockfishLines.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ParseStockfishLines);

// The whole worker path from the bytes of a pipe read: split, check, trim, parse.
void BM_SplitAndParseOutput(benchmark::State& state) {
    const std::string chunk = joinedOutput(200);
    const auto linesPerChunk = static_cast<std::int64_t>(200 * stockfishLines.size());
    velkor::uci::UciLineSplitter splitter;
    velkor::uci::UciOutputState output;
    for (auto _ : state) {
        splitter.feed(chunk, [&output](std::string_view line) {
            benchmark::DoNotOptimize(output.consumeLine(line, 0.0).kind);
        });
        benchmark::DoNotOptimize(output.takePending());
    }
    state.SetItemsProcessed(state.iterations() * linesPerChunk);
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(chunk.size()));
}
BENCHMARK(BM_SplitAndParseOutput);

} // namespace

BENCHMARK_MAIN();

#include "chess/ChessBoard.h"
#include "chess/Position.h"

#include <benchmark/benchmark.h>
#include <cstdint>
#include <stdexcept>
#include <vector>

namespace velkor {
namespace {

constexpr int gamePlies = 300;

// A fixed 300-ply game from the start: a seeded choice among the quiet moves (so that the men
// stay on the board), never a move that leaves the opponent without a reply.
const std::vector<Move>& fixedGame() {
    static const std::vector<Move> game = [] {
        std::vector<Move> moves;
        ChessBoard board;
        std::uint64_t seed = 0x9E3779B97F4A7C15ULL;
        while (static_cast<int>(moves.size()) < gamePlies) {
            std::vector<Move> candidates;
            std::vector<Move> quiet;
            for (const Move& move : board.generateLegalMoves()) {
                ChessBoard next = board;
                next.play(move);
                if (next.generateLegalMoves().empty()) {
                    continue;
                }
                candidates.push_back(move);
                if (!board[move.to]) {
                    quiet.push_back(move);
                }
            }
            const std::vector<Move>& pool = quiet.empty() ? candidates : quiet;
            if (pool.empty()) {
                throw std::logic_error("the fixed game ran into a dead end");
            }
            seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
            const Move move = pool[(seed >> 33) % pool.size()];
            board.play(move);
            moves.push_back(move);
        }
        return moves;
    }();
    return game;
}

ChessBoard boardAfterFixedGame() {
    ChessBoard board;
    for (const Move& move : fixedGame()) {
        board.play(move);
    }
    return board;
}

void BM_PerftStartDepth5(benchmark::State& state) {
    const ChessBoard board;
    std::int64_t nodes = 0;
    for (auto _ : state) {
        nodes = position::perft(board.compactPosition(), 5);
        benchmark::DoNotOptimize(nodes);
    }
    if (nodes != 4865609) {
        state.SkipWithError("wrong node count");
    }
    state.counters["nodes"] = static_cast<double>(nodes);
    state.counters["nodes/s"] = benchmark::Counter(static_cast<double>(nodes),
                                                   benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_PerftStartDepth5)->Unit(benchmark::kMillisecond);

void BM_GenerateLegalMovesAfter300Plies(benchmark::State& state) {
    const ChessBoard board = boardAfterFixedGame();
    for (auto _ : state) {
        benchmark::DoNotOptimize(board.generateLegalMoves());
    }
    state.counters["history"] = static_cast<double>(board.history().size());
}
BENCHMARK(BM_GenerateLegalMovesAfter300Plies);

void BM_GenerateLegalMovesFreshFromSameFen(benchmark::State& state) {
    const ChessBoard board(boardAfterFixedGame().fen());
    for (auto _ : state) {
        benchmark::DoNotOptimize(board.generateLegalMoves());
    }
    state.counters["history"] = static_cast<double>(board.history().size());
}
BENCHMARK(BM_GenerateLegalMovesFreshFromSameFen);

// What a view does to show a position of a game: rebuild it from the initial FEN by playing
// every move (each play computes SAN, FEN and the repetition key).
void BM_Replay300PliesFromStart(benchmark::State& state) {
    const std::vector<Move>& game = fixedGame();
    for (auto _ : state) {
        ChessBoard board(standardStartingFEN);
        for (const Move& move : game) {
            if (!board.play(move)) {
                state.SkipWithError("replay rejected a move");
                return;
            }
        }
        benchmark::DoNotOptimize(board);
    }
}
BENCHMARK(BM_Replay300PliesFromStart)->Unit(benchmark::kMicrosecond);

void BM_PlayAndUndoOneMove(benchmark::State& state) {
    ChessBoard board = boardAfterFixedGame();
    const Move move = board.generateLegalMoves().front();
    for (auto _ : state) {
        board.play(move);
        board.undo();
    }
}
BENCHMARK(BM_PlayAndUndoOneMove);

} // namespace
} // namespace velkor

BENCHMARK_MAIN();

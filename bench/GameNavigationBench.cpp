#include "game/GameManager.h"
#include "platform/SoundManager.h"
#include "platform/SoundPlayer.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace velkor;

class SilentPlayer : public platform::SoundPlayer {
public:
    void play(platform::SoundEffect) override {}
};

// UCI texts of a reproducible game of 300 random legal plies.
QStringList randomGameMoves(unsigned seed) {
    std::mt19937 random(seed);
    ChessBoard board;
    QStringList moves;
    while (moves.size() < 300) {
        if (board.isGameOver()) {
            board = ChessBoard();
            moves.clear();
            random.seed(++seed);
            continue;
        }
        const std::vector<Move> legal = board.generateLegalMoves();
        const Move move = legal[random() % legal.size()];
        board.play(move);
        moves.push_back(QString::fromStdString(move.uciString()));
    }
    return moves;
}

// The board views draw while the user looks at a position near the end of a long game: the
// game replayed from its start up to that move, on every read.
void BM_DisplayedBoardNearTheEndOf300Plies(benchmark::State& state) {
    SilentPlayer player;
    platform::SoundManager sounds(player);
    GameManager manager(sounds);
    manager.replayGame(randomGameMoves(5), std::nullopt, std::nullopt);
    manager.inspectMove(static_cast<std::int64_t>(manager.board().history().size()) - 2);
    for (auto _ : state) {
        ChessBoard board = manager.displayedBoard();
        benchmark::DoNotOptimize(board);
    }
    state.counters["plies"] = static_cast<double>(manager.board().history().size());
}
BENCHMARK(BM_DisplayedBoardNearTheEndOf300Plies)->Unit(benchmark::kMicrosecond);

} // namespace

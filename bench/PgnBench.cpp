#include "chess/ChessBoard.h"
#include "chess/PGNGame.h"
#include "chess/PGNParser.h"
#include "chess/TextEncoding.h"

#include <benchmark/benchmark.h>
#include <random>

namespace {

using namespace velkor;

// A reproducible game of `plies` random legal moves (shorter if it ends by the rules first).
ChessBoard randomGame(int plies, unsigned seed) {
    std::mt19937 random(seed);
    ChessBoard board;
    while (static_cast<int>(board.history().size()) < plies) {
        if (board.isGameOver()) {
            board = ChessBoard();
            random.seed(++seed);
            continue;
        }
        const std::vector<Move> moves = board.generateLegalMoves();
        board.play(moves[random() % moves.size()]);
    }
    return board;
}

// The game's PGN with a comment, a nested variation, a glyph and a ";" comment sprinkled over
// every tenth ply, as annotated games from other programs look.
std::string annotatedPgn(const ChessBoard& board) {
    std::string movetext;
    bool whiteToMove = true;
    int moveNumber = 1;
    for (std::size_t ply = 0; ply < board.history().size(); ++ply) {
        if (whiteToMove) {
            movetext += std::to_string(moveNumber) + ". ";
        }
        movetext += board.history()[ply].san + ' ';
        if (ply % 10 == 5) {
            movetext += "{A comment {with a nested remark} about the move} (" +
                        std::to_string(moveNumber) + "... a6 (b6 c6) Nf3 $2) $1 ; eval +0.3\n";
        }
        if (!whiteToMove) {
            ++moveNumber;
        }
        whiteToMove = !whiteToMove;
    }
    return "[Event \"Bench\"]\n[Site \"Here\"]\n[Result \"*\"]\n\n" + movetext + "*\n";
}

void BM_ParseAnnotated300PlyGame(benchmark::State& state) {
    const ChessBoard game = randomGame(300, 11);
    const std::string text = annotatedPgn(game);
    for (auto _ : state) {
        ParsedPGN parsed = PGNParser::parse(text);
        benchmark::DoNotOptimize(parsed);
    }
    state.counters["plies"] = static_cast<double>(game.history().size());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseAnnotated300PlyGame)->Unit(benchmark::kMillisecond);

void BM_Export300PlyGame(benchmark::State& state) {
    const ChessBoard game = randomGame(300, 11);
    const PGNGame pgnGame{"E", "S", "2026.12.08",      "1",           "W", "B",
                          "*", "-", game.initialFEN(), game.history()};
    for (auto _ : state) {
        std::string text = pgnGame.exportPGN();
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_Export300PlyGame)->Unit(benchmark::kMicrosecond);

// Listing a file of 20,000 games of 80 plies each (about 16 MB) as the open dialog does: the
// bytes checked as UTF-8, then every game found with its tags and move count.
void BM_List20000Games(benchmark::State& state) {
    std::string file;
    for (unsigned game = 0; game < 20'000; ++game) {
        const ChessBoard board = randomGame(80, 100 + game % 50);
        PGNGame pgnGame{"Bulk",
                        "Here",
                        "2026.12.08",
                        std::to_string(game + 1),
                        "White " + std::to_string(game),
                        "Black",
                        "1/2-1/2",
                        "-",
                        board.initialFEN(),
                        board.history()};
        file += pgnGame.exportPGN() + "\n";
    }
    for (auto _ : state) {
        text::DecodedText decoded = text::decodeUtf8OrLatin1(file);
        auto games = PGNParser::indexGames(decoded.text);
        benchmark::DoNotOptimize(games);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * file.size()));
}
BENCHMARK(BM_List20000Games)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

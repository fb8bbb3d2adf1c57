// A UCI engine that answers every search at once with a legal move, so a match runner can be
// tested and timed with real games but without search time.
//
// Usage: velkor_instant_engine [--score CP] [--mate N] [--crash-at N] [--hang-at N] [--record PATH]
//   --score CP     report this score (from the side to move) with every move (default 0)
//   --mate N       report "score mate N" instead
//   --crash-at N   end with status 1 on the Nth "go" this process receives
//   --hang-at N    never answer the Nth and later "go"s (but keep answering "isready")
//   --record PATH  append every command received to PATH
// The move is picked from the legal moves by the position, so the same position always gets
// the same move and different openings give different games.
#include "chess/ChessBoard.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Behaviour {
    long score = 0;
    std::optional<long> mate;
    long crashAt = 0;
    long hangAt = 0;
    std::string recordPath;
};

void setPosition(velkor::ChessBoard& board, const std::string& line) {
    std::istringstream words(line);
    std::string word;
    words >> word; // "position"
    words >> word;
    std::string fen(velkor::standardStartingFEN);
    if (word == "fen") {
        fen.clear();
        while (words >> word && word != "moves") {
            fen += (fen.empty() ? "" : " ") + word;
        }
    } else {
        words >> word; // "moves" or nothing
    }
    board.load(fen);
    while (words >> word) {
        if (const auto move = velkor::Move::fromUci(word)) {
            board.play(*move);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    Behaviour behaviour;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const char* value = argv[i + 1];
        if (flag == "--score") {
            behaviour.score = std::atol(value);
        } else if (flag == "--mate") {
            behaviour.mate = std::atol(value);
        } else if (flag == "--crash-at") {
            behaviour.crashAt = std::atol(value);
        } else if (flag == "--hang-at") {
            behaviour.hangAt = std::atol(value);
        } else if (flag == "--record") {
            behaviour.recordPath = value;
        }
    }
    std::ofstream record;
    if (!behaviour.recordPath.empty()) {
        record.open(behaviour.recordPath, std::ios::app);
    }
    velkor::ChessBoard board;
    long searches = 0;
    std::string line;
    while (std::getline(std::cin, line)) {
        if (record.is_open()) {
            record << line << '\n' << std::flush;
        }
        if (line == "uci") {
            std::cout << "id name Instant\nid author Velkor tests\n"
                         "option name Hash type spin default 16 min 1 max 1024\n"
                         "option name Threads type spin default 1 min 1 max 64\nuciok"
                      << std::endl;
        } else if (line == "isready") {
            std::cout << "readyok" << std::endl;
        } else if (line.starts_with("position")) {
            try {
                setPosition(board, line);
            } catch (const std::exception&) {
                board = velkor::ChessBoard();
            }
        } else if (line.starts_with("go")) {
            ++searches;
            if (behaviour.crashAt > 0 && searches == behaviour.crashAt) {
                return 1;
            }
            if (behaviour.hangAt > 0 && searches >= behaviour.hangAt) {
                continue;
            }
            const auto moves = board.generateLegalMoves();
            if (moves.empty()) {
                std::cout << "bestmove 0000" << std::endl;
                continue;
            }
            const std::size_t pick =
                std::hash<std::string>{}(board.positionHashKey()) % moves.size();
            const std::string score = behaviour.mate ? "mate " + std::to_string(*behaviour.mate)
                                                     : "cp " + std::to_string(behaviour.score);
            std::cout << "info depth 1 score " << score << " nodes 1 pv " << moves[pick].uciString()
                      << "\nbestmove " << moves[pick].uciString() << std::endl;
        } else if (line == "quit") {
            return 0;
        }
    }
    return 0;
}

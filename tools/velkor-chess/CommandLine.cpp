#include "CommandLine.h"

#include "Commands.h"

#include <array>
#include <exception>

namespace velkor::tool {

namespace {

struct Command {
    std::string_view name;
    ToolOutput (*run)(Arguments args);
};

constexpr std::array commands{
    Command{"perft", runPerft},        Command{"legal", runLegal}, Command{"play", runPlay},
    Command{"check-fen", runCheckFen}, Command{"pgn", runPgn},
};

constexpr std::string_view usageText =
    "usage: velkor-chess COMMAND [ARGUMENTS]\n"
    "  perft DEPTH [FEN]   print the number of leaf nodes of the legal move tree\n"
    "                      (DEPTH 0-64)\n"
    "  legal [FEN]         print the legal moves in generation order: <uci> <san>\n"
    "  play FEN UCI...     play the moves; print <uci> <san> for each, then the lines\n"
    "                      fen, key, end (automatic end) and claim (claimable draw)\n"
    "  check-fen FEN       print ok <fen as written back> or error <code> <message>\n"
    "  pgn FILE            read one game (\"-\": standard input); print result <r>,\n"
    "                      moves <san ...> and fen <final fen>, or error <domain> <code> "
    "<message>\n"
    "  review GAME.pgn --engine PATH [--movetime MS | --depth N | --nodes N]\n"
    "         [--threads N] [--hash MB] [--game K] [--json]\n"
    "                      grade every move by an engine search; print the game as\n"
    "                      annotated PGN, or its figures as JSON\n"
    "A FEN is one argument; \"startpos\" is the standard start position, also used where\n"
    "an optional FEN is left out.\n"
    "Exit status: 0 success, 1 a rejected FEN or move, 2 wrong arguments.\n";

} // namespace

ToolOutput usageError() {
    return ToolOutput{2, {}, std::string(usageText)};
}

ToolOutput runVelkorChess(const std::vector<std::string>& args,
                          std::span<const ExtraCommand> extraCommands) {
    if (args.empty()) {
        return usageError();
    }
    for (const ExtraCommand& command : extraCommands) {
        if (args.front() == command.name) {
            try {
                return command.run(Arguments(args).subspan(1));
            } catch (const std::exception& error) {
                return ToolOutput{1, {}, "velkor-chess: " + std::string(error.what()) + "\n"};
            }
        }
    }
    for (const Command& command : commands) {
        if (args.front() == command.name) {
            try {
                return command.run(Arguments(args).subspan(1));
            } catch (const std::exception& error) {
                return ToolOutput{1, {}, "velkor-chess: " + std::string(error.what()) + "\n"};
            }
        }
    }
    return usageError();
}

} // namespace velkor::tool

#pragma once

#include "CommandLine.h"

#include <span>
#include <string>

namespace velkor::tool {

// velkor-chess review GAME.pgn --engine PATH [--movetime MS | --depth N | --nodes N]
// [--threads N] [--hash MB] [--game K] [--json]: reviews one game of the file with the engine
// and prints it as annotated PGN or, with --json, its figures. Exit 1 with one line on standard
// error when the file, the game or the engine fails; 2 with one line for wrong usage. Runs an
// event loop of its own when the program has none.
ToolOutput runReview(std::span<const std::string> args);

} // namespace velkor::tool

#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velkor::tool {

// What one run of the tool produced: its standard output, standard error and exit status
// (0 success, 1 a rejected FEN or move, 2 wrong arguments).
struct ToolOutput {
    int status = 0;
    std::string out;
    std::string err;
};

// A command that lives outside the chess core's tool library (the review needs engines and an
// event loop, which the rules commands and their tests do without).
struct ExtraCommand {
    std::string_view name;
    ToolOutput (*run)(std::span<const std::string> args);
};

// Runs velkor-chess with the arguments after the program name. Never throws.
ToolOutput runVelkorChess(const std::vector<std::string>& args,
                          std::span<const ExtraCommand> extraCommands = {});

} // namespace velkor::tool

#pragma once

#include <string>
#include <vector>

namespace velkor::tool {

// What one run of the tool produced: its standard output, standard error and exit status
// (0 success, 1 a rejected FEN or move, 2 wrong arguments).
struct ToolOutput {
    int status = 0;
    std::string out;
    std::string err;
};

// Runs velkor-chess with the arguments after the program name. Never throws.
ToolOutput runVelkorChess(const std::vector<std::string>& args);

} // namespace velkor::tool

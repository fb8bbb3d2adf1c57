#include "CommandLine.h"
#include "ReviewCommand.h"

#include <array>
#include <cstdio>

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    constexpr std::array extraCommands{
        velkor::tool::ExtraCommand{"review", velkor::tool::runReview}};
    const velkor::tool::ToolOutput output = velkor::tool::runVelkorChess(args, extraCommands);
    std::fwrite(output.out.data(), 1, output.out.size(), stdout);
    std::fwrite(output.err.data(), 1, output.err.size(), stderr);
    return output.status;
}

#include "Commands.h"
#include "chess/PGNParser.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace velkor::tool {

namespace {

// The whole text of a file, or of standard input for "-"; none when it cannot be read.
std::optional<std::string> readSource(const std::string& source) {
    if (source == "-") {
        return std::string(std::istreambuf_iterator<char>(std::cin), {});
    }
    std::error_code error;
    if (std::filesystem::is_directory(source, error)) {
        return std::nullopt;
    }
    std::ifstream file(source, std::ios::binary);
    if (!file) {
        return std::nullopt;
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        return std::nullopt;
    }
    return content.str();
}

} // namespace

ToolOutput runPgn(Arguments args) {
    if (args.size() != 1) {
        return usageError();
    }
    const std::optional<std::string> text = readSource(args[0]);
    if (!text) {
        return ToolOutput{1, {}, "velkor-chess: cannot read " + args[0] + "\n"};
    }
    try {
        const ParsedPGN parsed = PGNParser::parse(*text);
        std::string out = "result " + parsed.result + "\nmoves";
        for (const MoveRecord& record : parsed.board.history()) {
            out += ' ';
            out += record.san;
        }
        out += "\nfen " + parsed.board.fen() + "\n";
        return ToolOutput{0, std::move(out), {}};
    } catch (const DomainError& error) {
        return ToolOutput{1,
                          "error " + error.domain() + ' ' + std::to_string(error.code()) + ' ' +
                              error.message() + "\n",
                          {}};
    }
}

} // namespace velkor::tool

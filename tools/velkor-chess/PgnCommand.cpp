#include "Commands.h"
#include "chess/PGNParser.h"
#include "chess/TextEncoding.h"

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

// The result, moves and final position of one game, or its error line.
bool describeGame(std::string_view text, std::string& out) {
    try {
        const ParsedPGN parsed = PGNParser::parse(text);
        out += "result " + parsed.result + "\nmoves";
        for (const MoveRecord& record : parsed.board.history()) {
            out += ' ';
            out += record.san;
        }
        out += "\nfen " + parsed.board.fen() + "\n";
        return true;
    } catch (const DomainError& error) {
        out += "error " + error.domain() + ' ' + std::to_string(error.code()) + ' ' +
               error.message() + "\n";
        return false;
    }
}

} // namespace

ToolOutput runPgn(Arguments args) {
    if (args.size() != 1) {
        return usageError();
    }
    std::optional<std::string> bytes = readSource(args[0]);
    if (!bytes) {
        return ToolOutput{1, {}, "velkor-chess: cannot read " + args[0] + "\n"};
    }
    const text::DecodedText decoded = text::decodeUtf8OrLatin1(std::move(*bytes));
    std::string err;
    if (decoded.readAsLatin1) {
        err = "velkor-chess: " + args[0] + " is not UTF-8 text; read as Latin-1\n";
    }
    // One block per game, games apart by an empty line.
    const std::vector<PGNGameSummary> games = *PGNParser::indexGames(decoded.text);
    std::string out;
    bool allRead = true;
    if (games.size() <= 1) {
        allRead = describeGame(decoded.text, out);
    } else {
        for (const PGNGameSummary& game : games) {
            if (!out.empty()) {
                out += '\n';
            }
            allRead = describeGame(std::string_view(decoded.text).substr(game.offset, game.length),
                                   out) &&
                      allRead;
        }
    }
    return ToolOutput{allRead ? 0 : 1, std::move(out), std::move(err)};
}

} // namespace velkor::tool

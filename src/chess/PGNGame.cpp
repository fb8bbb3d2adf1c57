#include "PGNGame.h"

#include "ChessBoard.h"

#include <cstddef>
#include <ctime>

namespace velkor {

namespace {

constexpr std::size_t lineWidth = 80;

void appendTag(std::string& text, std::string_view name, std::string_view value) {
    text += '[';
    text += name;
    text += " \"";
    for (const char c : value) {
        if (c == '"' || c == '\\') {
            text += '\\';
            text += c;
        } else if (c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f') {
            text += ' ';
        } else {
            text += c;
        }
    }
    text += "\"]\n";
}

// A tag name as the reader takes it: letters, digits and underscores.
bool isWritableTagName(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    for (const char c : name) {
        const bool ok =
            (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
        if (!ok) {
            return false;
        }
    }
    return true;
}

bool isFixedTag(std::string_view name) {
    for (const std::string_view fixed : {"Event", "Site", "Date", "Round", "White", "Black",
                                         "Result", "TimeControl", "SetUp", "FEN"}) {
        if (name == fixed) {
            return true;
        }
    }
    return false;
}

// One unit of movetext that wrapping never splits; a ";" comment must end its line.
struct Token {
    std::string text;
    bool endsLine = false;
};

// Braces inside a brace comment must pair up, or the comment would end early or swallow what
// follows when read back.
bool hasBalancedBraces(std::string_view comment) {
    int depth = 0;
    for (const char c : comment) {
        if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth < 0) {
            return false;
        }
    }
    return depth == 0;
}

// A comment as brace-comment words (so long comments wrap), or as one ";" comment when braces
// inside it do not pair up.
void appendComment(std::vector<Token>& tokens, std::string_view comment) {
    std::vector<std::string> words;
    std::string word;
    // A command such as "[%cal Ge2e4]" stays on one line: readers that look for it line by line
    // would miss it split.
    bool inCommand = false;
    for (const char c : comment) {
        if (word.empty() && c == '[') {
            inCommand = true;
        } else if (inCommand && c == ']') {
            inCommand = false;
        }
        const bool blank =
            c == ' ' || c == '\n' || c == '\r' || c == '\t' || c == '\v' || c == '\f';
        if (blank && inCommand && !word.empty()) {
            word += ' ';
        } else if (blank) {
            if (!word.empty()) {
                words.push_back(std::move(word));
                word.clear();
            }
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(std::move(word));
    }
    if (words.empty()) {
        return;
    }
    // A command such as "[%eval -0.29]" stays on one line, so readers that look for it line by
    // line find it whole.
    for (std::size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i].starts_with("[%") && words[i].find(']') == std::string::npos) {
            words[i] += ' ';
            words[i] += words[i + 1];
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(i + 1));
            --i;
        }
    }
    if (!hasBalancedBraces(comment)) {
        std::string line = ";";
        for (const std::string& each : words) {
            line += ' ';
            line += each;
        }
        tokens.push_back({std::move(line), true});
        return;
    }
    // A comment holding commands ("[%eval 0.17]") is written with blanks inside its braces, as
    // the programs that read such commands write them.
    const bool holdsCommand = words.front().starts_with("[%");
    words.front().insert(0, holdsCommand ? "{ " : "{");
    words.back() += holdsCommand ? " }" : "}";
    for (std::string& each : words) {
        tokens.push_back({std::move(each), false});
    }
}

// Side to move and move number at the start of the game; a starting FEN that cannot be read
// numbers from the standard start.
std::pair<PieceColor, std::int64_t> startingTurn(const std::optional<std::string>& initialFEN) {
    try {
        const ChessBoard board(initialFEN ? std::string_view(*initialFEN) : standardStartingFEN);
        return {board.turn(), board.fullmoveNumber()};
    } catch (const DomainError&) {
        return {PieceColor::white, 1};
    }
}

// A line played instead of a move, in parentheses, numbered from that move: "(12... Nf6 13. e4)".
void appendVariation(std::vector<Token>& tokens, const std::vector<std::string>& line,
                     bool whiteMoves, std::int64_t moveNumber) {
    if (line.empty()) {
        return;
    }
    for (std::size_t index = 0; index < line.size(); ++index) {
        std::string text = index == 0 ? "(" : "";
        if (whiteMoves) {
            text += std::to_string(moveNumber) + ". ";
        } else if (index == 0) {
            text += std::to_string(moveNumber) + "... ";
        }
        text += line[index];
        if (!whiteMoves) {
            ++moveNumber;
        }
        whiteMoves = !whiteMoves;
        tokens.push_back({std::move(text), false});
    }
    tokens.back().text += ')';
}

// One token per full move ("12. Nf3 Nc6"), a lone white move, or a black move written with its
// number ("7... Qxd4") where it opens the game or follows a comment or glyph; then the glyphs and
// comment words of each move.
std::vector<Token> movetextTokens(const PGNGame& game, PieceColor turn, std::int64_t moveNumber) {
    std::vector<Token> tokens;
    appendComment(tokens, game.gameComment);
    bool whiteToMove = turn == PieceColor::white;
    bool numberBlackMove = true;
    for (std::size_t index = 0; index < game.moves.size(); ++index) {
        const std::string& san = game.moves[index].san;
        if (whiteToMove) {
            tokens.push_back({std::to_string(moveNumber) + ". " + san, false});
        } else {
            if (numberBlackMove) {
                tokens.push_back({std::to_string(moveNumber) + "... " + san, false});
            } else {
                tokens.back().text += ' ';
                tokens.back().text += san;
            }
            ++moveNumber;
        }
        numberBlackMove = false;
        if (index < game.annotations.size() && !game.annotations[index].empty()) {
            const MoveAnnotation& annotation = game.annotations[index];
            for (const int nag : annotation.nags) {
                tokens.push_back({pgn::nagText(nag), false});
            }
            appendComment(tokens, annotation.comment);
            appendVariation(tokens, annotation.variation, whiteToMove,
                            whiteToMove ? moveNumber : moveNumber - 1);
            numberBlackMove = true;
        }
        whiteToMove = !whiteToMove;
    }
    return tokens;
}

void appendWrapped(std::string& text, const std::vector<Token>& tokens) {
    std::string line;
    for (const Token& token : tokens) {
        if (line.empty()) {
            line = token.text;
        } else if (line.size() + 1 + token.text.size() <= lineWidth) {
            line += ' ';
            line += token.text;
        } else {
            text += line;
            text += '\n';
            line = token.text;
        }
        if (token.endsLine) {
            text += line;
            text += '\n';
            line.clear();
        }
    }
    if (!line.empty()) {
        text += line;
        text += '\n';
    }
}

} // namespace

std::string PGNGame::currentDateString() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[16];
    std::strftime(buffer, sizeof buffer, "%Y.%m.%d", &local);
    return buffer;
}

std::string PGNGame::exportPGN() const {
    std::string text;
    appendTag(text, "Event", event);
    appendTag(text, "Site", site);
    appendTag(text, "Date", date);
    appendTag(text, "Round", round);
    appendTag(text, "White", white);
    appendTag(text, "Black", black);
    appendTag(text, "Result", result);
    appendTag(text, "TimeControl", timeControl);
    if (initialFEN && *initialFEN != standardStartingFEN) {
        appendTag(text, "SetUp", "1");
        appendTag(text, "FEN", *initialFEN);
    }
    for (const auto& [name, value] : otherTags) {
        if (isWritableTagName(name) && !isFixedTag(name)) {
            appendTag(text, name, value);
        }
    }
    text += '\n';

    const auto [turn, moveNumber] = startingTurn(initialFEN);
    std::vector<Token> tokens = movetextTokens(*this, turn, moveNumber);
    if (!result.empty() && result != "*") {
        tokens.push_back({result, false});
    }
    appendWrapped(text, tokens);
    return text;
}

} // namespace velkor

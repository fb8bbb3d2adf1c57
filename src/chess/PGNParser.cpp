#include "PGNParser.h"

#include "TextUtil.h"

#include <cctype>

namespace velkor {

namespace pgn {

namespace {

bool isTagNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    std::string result;
    result.reserve(text.size());
    std::size_t position = 0;
    while (true) {
        const std::size_t found = text.find(from, position);
        if (found == std::string::npos) {
            break;
        }
        result.append(text, position, found - position);
        result += to;
        position = found + from.size();
    }
    result.append(text, position, std::string::npos);
    text = std::move(result);
}

std::vector<std::string_view> splitLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    std::size_t index = 0;
    while (index < text.size()) {
        if (const std::size_t length = text::lineBreakLengthAt(text, index)) {
            lines.push_back(text.substr(start, index - start));
            index += length;
            start = index;
        } else {
            ++index;
        }
    }
    lines.push_back(text.substr(start));
    return lines;
}

// Drops a leading move number: digits, a full stop and optionally two more full stops.
std::string_view withoutMoveNumber(std::string_view token) {
    std::size_t index = 0;
    while (index < token.size() && token[index] >= '0' && token[index] <= '9') {
        ++index;
    }
    if (index == 0 || index >= token.size() || token[index] != '.') {
        return token;
    }
    ++index;
    if (token.substr(index, 2) == "..") {
        index += 2;
    }
    return token.substr(index);
}

bool isResultToken(std::string_view token) {
    return token == "1-0" || token == "0-1" || token == "1/2-1/2" || token == "*";
}

DomainError moveError(std::string_view token, std::size_t movesPlayed) {
    return DomainError(std::string(errorDomain), invalidMoveCode,
                       "Invalid or ambiguous PGN move '" + std::string(token) + "' at ply " +
                           std::to_string(movesPlayed + 1) + ".");
}

bool isCastling(const ChessBoard& board, const Move& move) {
    const std::optional<Piece> piece = board[move.from];
    return piece && piece->type == PieceType::king &&
           (move.from.file - move.to.file == 2 || move.to.file - move.from.file == 2);
}

// The legal move whose SAN reads as the normalised token; throws when none or several do.
Move matchMove(const ChessBoard& board, std::string_view token, const std::string& normalized,
               std::size_t movesPlayed) {
    const std::vector<Move> legal = board.generateLegalMoves();
    std::optional<Move> match;
    for (const Move& move : legal) {
        // A SAN always names its destination square, castling aside; skipping moves whose
        // destination the token does not mention saves writing their SAN.
        if (!isCastling(board, move) && normalized.find(move.to.algebraic()) == std::string::npos) {
            continue;
        }
        if (normalizedMoveText(board.standardAlgebraicNotation(move, legal)) != normalized) {
            continue;
        }
        if (match) {
            throw moveError(token, movesPlayed);
        }
        match = move;
    }
    if (!match) {
        throw moveError(token, movesPlayed);
    }
    return *match;
}

} // namespace

std::optional<std::pair<std::string, std::string>> parseTagLine(std::string_view line) {
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    std::size_t index = 1;
    while (index < line.size() && isTagNameChar(line[index])) {
        ++index;
    }
    if (index == 1) {
        return std::nullopt;
    }
    const std::string_view name = line.substr(1, index - 1);
    const std::size_t afterName = index;
    while (const std::size_t length = text::spaceLengthAt(line, index)) {
        index += length;
    }
    if (index == afterName || index >= line.size() || line[index] != '"') {
        return std::nullopt;
    }
    const std::size_t valueStart = index + 1;

    // The closing quote and bracket are the last characters before trailing blanks.
    std::size_t end = line.size();
    while (end > valueStart) {
        const std::size_t length = text::spaceLengthBefore(line, end);
        if (length == 0) {
            break;
        }
        end -= length;
    }
    if (end < valueStart + 2 || line[end - 1] != ']' || line[end - 2] != '"') {
        return std::nullopt;
    }
    const std::string_view rawValue = line.substr(valueStart, end - 2 - valueStart);
    // Inside the value a double quote must be escaped by the backslash before it.
    for (std::size_t position = 0; position < rawValue.size(); ++position) {
        if (rawValue[position] == '"' && (position == 0 || rawValue[position - 1] != '\\')) {
            return std::nullopt;
        }
    }
    std::string value(rawValue);
    replaceAll(value, "\\\"", "\"");
    replaceAll(value, "\\\\", "\\");
    return std::pair{std::string(name), std::move(value)};
}

std::string removeCommentsAndVariations(std::string_view movetext) {
    std::string result;
    result.reserve(movetext.size());
    int braceDepth = 0;
    int parenthesisDepth = 0;
    bool inLineComment = false;
    for (const char c : movetext) {
        if (c == '\n' || c == '\r') {
            inLineComment = false;
            if (braceDepth == 0 && parenthesisDepth == 0) {
                result += ' ';
            }
            continue;
        }
        if (inLineComment) {
            continue;
        }
        if (c == ';' && braceDepth == 0 && parenthesisDepth == 0) {
            inLineComment = true;
        } else if (c == '{') {
            ++braceDepth;
        } else if (c == '}' && braceDepth > 0) {
            --braceDepth;
        } else if (braceDepth > 0) {
            continue;
        } else if (c == '(') {
            ++parenthesisDepth;
        } else if (c == ')' && parenthesisDepth > 0) {
            --parenthesisDepth;
        } else if (parenthesisDepth == 0) {
            result += c;
        }
    }
    return result;
}

std::string normalizedMoveText(std::string_view text) {
    std::string result(text);
    replaceAll(result, "0-0-0", "O-O-O");
    replaceAll(result, "0-0", "O-O");
    while (!result.empty() && (result.back() == '!' || result.back() == '?')) {
        result.pop_back();
    }
    replaceAll(result, "e.p.", "");
    return std::string(text::trimmed(result));
}

} // namespace pgn

ParsedPGN PGNParser::parse(std::string_view text) {
    ParsedPGN parsed;
    std::string movetext;
    for (const std::string_view line : pgn::splitLines(text)) {
        if (auto tag = pgn::parseTagLine(line)) {
            parsed.tags.insert_or_assign(std::move(tag->first), std::move(tag->second));
        } else {
            movetext += line;
            movetext += '\n';
        }
    }

    const auto setUp = parsed.tags.find("SetUp");
    const auto fen = parsed.tags.find("FEN");
    if (setUp != parsed.tags.end() && setUp->second == "1" && fen != parsed.tags.end()) {
        parsed.board = ChessBoard(fen->second);
    }

    const auto resultTag = parsed.tags.find("Result");
    parsed.result = resultTag != parsed.tags.end() ? resultTag->second : "*";

    const std::string cleaned = pgn::removeCommentsAndVariations(movetext);
    std::size_t movesPlayed = 0;
    for (const std::string_view token : text::splitAtWhitespace(cleaned)) {
        if (token.front() == '$') {
            continue;
        }
        if (pgn::isResultToken(token)) {
            parsed.result = std::string(token);
            continue;
        }
        const std::string_view withoutNumber = pgn::withoutMoveNumber(token);
        if (withoutNumber.empty()) {
            continue;
        }
        const std::string normalized = pgn::normalizedMoveText(withoutNumber);
        const Move move = pgn::matchMove(parsed.board, token, normalized, movesPlayed);
        if (!parsed.board.play(move)) {
            throw pgn::moveError(token, movesPlayed);
        }
        ++movesPlayed;
    }
    return parsed;
}

} // namespace velkor

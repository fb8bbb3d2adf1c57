#include "PGNParser.h"

#include "TextUtil.h"

#include <array>
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
    // One pass: a backslash escapes the next double quote or backslash (other backslashes, as
    // in a path written unescaped, stay). An unescaped double quote inside means no tag line.
    std::string value;
    value.reserve(rawValue.size());
    for (std::size_t position = 0; position < rawValue.size(); ++position) {
        const char c = rawValue[position];
        if (c == '\\' && position + 1 < rawValue.size() &&
            (rawValue[position + 1] == '"' || rawValue[position + 1] == '\\')) {
            value += rawValue[++position];
        } else if (c == '"') {
            return std::nullopt;
        } else {
            value += c;
        }
    }
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

int nagOfSuffix(std::string_view suffix) {
    constexpr std::array<std::string_view, 6> suffixes = {"!", "?", "!!", "??", "!?", "?!"};
    for (std::size_t index = 0; index < suffixes.size(); ++index) {
        if (suffix == suffixes[index]) {
            return static_cast<int>(index) + 1;
        }
    }
    return 0;
}

std::string nagText(int nag) {
    // Appended rather than "$" + text: GCC 12 at -O3 reads that concatenation as an overlapping
    // copy and stops a Release build (-Werror=restrict).
    std::string text(1, '$');
    text += std::to_string(nag);
    return text;
}

std::string nagSymbol(int nag) {
    switch (nag) {
    case 1:
        return "!";
    case 2:
        return "?";
    case 3:
        return "!!";
    case 4:
        return "??";
    case 5:
        return "!?";
    case 6:
        return "?!";
    case 10:
        return "=";
    case 13:
        return "\u221E";
    case 14:
        return "+=";
    case 15:
        return "=+";
    case 16:
        return "\u00B1";
    case 17:
        return "\u2213";
    case 18:
        return "+-";
    case 19:
        return "-+";
    default:
        return nagText(nag);
    }
}

namespace {

// Splits movetext into move tokens, comments and variations. It is fed the text in pieces (a
// line at a time while games are being found) and keeps its state between them, so a comment
// or a variation may span lines. Tokens never span pieces: a piece ends at a line break.
class MovetextLexer {
public:
    // The sink receives token(std::string_view), comment(std::string&&) and variation().
    template <typename Sink>
    void feed(std::string_view text, Sink& sink) {
        std::size_t tokenStart = std::string_view::npos;
        const auto flush = [&](std::size_t end) {
            if (tokenStart != std::string_view::npos) {
                sink.token(text.substr(tokenStart, end - tokenStart));
                tokenStart = std::string_view::npos;
            }
        };
        std::size_t index = 0;
        while (index < text.size()) {
            const char c = text[index];
            const std::size_t space = mayStartSpace(c) ? text::spaceLengthAt(text, index) : 0;
            if (m_inLineComment) {
                if (space > 0 && text::lineBreakLengthAt(text, index) > 0) {
                    m_inLineComment = false;
                    finishComment(sink);
                } else {
                    appendToComment(text.substr(index, space > 0 ? space : 1), space > 0);
                }
                index += space > 0 ? space : 1;
                continue;
            }
            if (m_braceDepth > 0) {
                if (c == '{') {
                    ++m_braceDepth;
                } else if (c == '}' && --m_braceDepth == 0) {
                    finishComment(sink);
                    ++index;
                    continue;
                }
                appendToComment(text.substr(index, space > 0 ? space : 1), space > 0);
                index += space > 0 ? space : 1;
                continue;
            }
            if (c == '{') {
                flush(index);
                m_braceDepth = 1;
            } else if (m_parenthesisDepth > 0) {
                if (c == '(') {
                    ++m_parenthesisDepth;
                } else if (c == ')') {
                    --m_parenthesisDepth;
                }
            } else if (c == '(') {
                flush(index);
                m_parenthesisDepth = 1;
                sink.variation();
            } else if (c == ';') {
                flush(index);
                m_inLineComment = true;
            } else if (space > 0) {
                flush(index);
                index += space;
                continue;
            } else if (tokenStart == std::string_view::npos) {
                tokenStart = index;
            }
            ++index;
        }
        flush(text.size());
    }

    // Ends a ";" comment left open by text without a final line break.
    template <typename Sink>
    void finish(Sink& sink) {
        if (m_inLineComment) {
            m_inLineComment = false;
            finishComment(sink);
        }
    }

    // Inside a comment or a variation, where a "[" at the start of a line opens no tag.
    bool isInsideCommentOrVariation() const {
        return m_braceDepth > 0 || m_parenthesisDepth > 0 || m_inLineComment;
    }

private:
    static bool mayStartSpace(char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte == ' ' || (byte >= '\t' && byte <= '\r') || byte == 0xC2 ||
               (byte >= 0xE1 && byte <= 0xE3);
    }

    // Comments in variations belong to moves that are not kept.
    void appendToComment(std::string_view piece, bool isSpace) {
        if (m_parenthesisDepth > 0) {
            return;
        }
        if (isSpace) {
            m_pendingSpace = !m_comment.empty();
            return;
        }
        if (m_pendingSpace) {
            m_comment += ' ';
            m_pendingSpace = false;
        }
        m_comment += piece;
    }

    template <typename Sink>
    void finishComment(Sink& sink) {
        m_pendingSpace = false;
        if (m_parenthesisDepth == 0 && !m_comment.empty()) {
            sink.comment(std::move(m_comment));
        }
        m_comment.clear();
    }

    int m_braceDepth = 0;
    int m_parenthesisDepth = 0;
    bool m_inLineComment = false;
    bool m_pendingSpace = false;
    std::string m_comment;
};

// The pieces of a text that end with a line break (the last one may not), with their breaks.
template <typename Visit>
void forEachLine(std::string_view text, Visit&& visit) {
    std::size_t start = 0;
    std::size_t index = 0;
    while (index < text.size()) {
        const char c = text[index];
        const auto byte = static_cast<unsigned char>(c);
        // Only these bytes can start a line break; the rest of the line is skipped quickly.
        if ((byte >= '\n' && byte <= '\r') || byte == 0xC2 || byte == 0xE2) {
            if (std::size_t length = text::lineBreakLengthAt(text, index)) {
                // CR LF is one line end, or every line of such a file would be followed by an
                // empty one (which ends a tag block).
                if (c == '\r' && index + 1 < text.size() && text[index + 1] == '\n') {
                    length = 2;
                }
                index += length;
                if (!visit(start, text.substr(start, index - start))) {
                    return;
                }
                start = index;
                continue;
            }
        }
        ++index;
    }
    if (start < text.size()) {
        visit(start, text.substr(start));
    }
}

bool isBlank(std::string_view line) {
    return text::trimmed(line).empty();
}

// A token that names a move, once a move number in front of it is dropped; none for glyphs,
// results and bare move numbers.
std::optional<std::string_view> moveTextOf(std::string_view token) {
    if (token.front() == '$' || pgn::isResultToken(token)) {
        return std::nullopt;
    }
    const std::string_view withoutNumber = pgn::withoutMoveNumber(token);
    if (withoutNumber.empty()) {
        return std::nullopt;
    }
    return withoutNumber;
}

// Plays the main line of one game as its tokens arrive.
class GameReader {
public:
    explicit GameReader(ParsedPGN& parsed) : m_parsed(parsed) {}

    void token(std::string_view token) {
        m_sawMove = true;
        if (token.front() == '$') {
            addNag(token.substr(1));
            return;
        }
        if (pgn::isResultToken(token)) {
            m_parsed.result = std::string(token);
            return;
        }
        const std::optional<std::string_view> moveText = moveTextOf(token);
        if (!moveText) {
            return;
        }
        const std::string normalized = pgn::normalizedMoveText(*moveText);
        const std::size_t played = m_parsed.board.history().size();
        const Move move = pgn::matchMove(m_parsed.board, token, normalized, played);
        if (!m_parsed.board.play(move)) {
            throw pgn::moveError(token, played);
        }
        MoveAnnotation annotation;
        std::size_t suffixStart = moveText->size();
        while (suffixStart > 0 &&
               ((*moveText)[suffixStart - 1] == '!' || (*moveText)[suffixStart - 1] == '?')) {
            --suffixStart;
        }
        if (const int nag = pgn::nagOfSuffix(moveText->substr(suffixStart))) {
            annotation.nags.push_back(nag);
        }
        m_parsed.annotations.push_back(std::move(annotation));
    }

    void comment(std::string&& text) {
        std::string& target = m_parsed.annotations.empty() ? m_parsed.gameComment
                                                           : m_parsed.annotations.back().comment;
        if (!target.empty()) {
            target += ' ';
        }
        target += text;
    }

    void variation() { ++m_parsed.variationsSetAside; }

    // Whether the game's movetext has begun (a tag line after it starts another game).
    bool sawMove() const { return m_sawMove; }

private:
    void addNag(std::string_view digits) {
        if (m_parsed.annotations.empty() || digits.empty() || digits.size() > 3) {
            return;
        }
        int nag = 0;
        for (const char digit : digits) {
            if (digit < '0' || digit > '9') {
                return;
            }
            nag = nag * 10 + (digit - '0');
        }
        m_parsed.annotations.back().nags.push_back(nag);
    }

    ParsedPGN& m_parsed;
    bool m_sawMove = false;
};

// Counts a game's moves and finds its last result token, for the list of games.
struct GameCounter {
    PGNGameSummary& summary;
    bool sawMove = false;

    void token(std::string_view token) {
        sawMove = true;
        if (pgn::isResultToken(token)) {
            summary.result = std::string(token);
        } else if (moveTextOf(token)) {
            ++summary.plies;
        }
    }
    void comment(std::string&&) {}
    void variation() {}
};

void startBoard(ParsedPGN& parsed) {
    const auto setUp = parsed.tags.find("SetUp");
    const auto fen = parsed.tags.find("FEN");
    if (setUp != parsed.tags.end() && setUp->second == "1" && fen != parsed.tags.end()) {
        parsed.board = ChessBoard(fen->second);
    }
    const auto resultTag = parsed.tags.find("Result");
    parsed.result = resultTag != parsed.tags.end() ? resultTag->second : "*";
}

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string_view withoutByteOrderMark(std::string_view text) {
    if (text.starts_with(byteOrderMark)) {
        text.remove_prefix(byteOrderMark.size());
    }
    return text;
}

} // namespace

} // namespace pgn

ParsedPGN PGNParser::parse(std::string_view text) {
    text = pgn::withoutByteOrderMark(text);
    ParsedPGN parsed;
    pgn::MovetextLexer lexer;
    pgn::GameReader reader(parsed);
    bool boardStarted = false;
    // A tag line after the moves, or after the line that ends the tags, starts the next game
    // (a game without moves has no movetext at all).
    bool tagsEnded = false;
    pgn::forEachLine(text, [&](std::size_t, std::string_view line) {
        if (!lexer.isInsideCommentOrVariation()) {
            if (auto tag = pgn::parseTagLine(line)) {
                if (reader.sawMove() || tagsEnded) {
                    return false;
                }
                if (!parsed.tags.contains(tag->first)) {
                    parsed.tagOrder.push_back(tag->first);
                }
                parsed.tags.insert_or_assign(std::move(tag->first), std::move(tag->second));
                return true;
            }
        }
        if (!boardStarted) {
            pgn::startBoard(parsed);
            boardStarted = true;
        }
        tagsEnded = tagsEnded || !parsed.tags.empty();
        lexer.feed(line, reader);
        return true;
    });
    if (!boardStarted) {
        pgn::startBoard(parsed);
    }
    lexer.finish(reader);
    return parsed;
}

std::optional<std::vector<PGNGameSummary>>
PGNParser::indexGames(std::string_view text,
                      const std::function<bool(std::size_t bytesRead)>& progress) {
    const std::size_t skipped = text.size() - pgn::withoutByteOrderMark(text).size();
    std::vector<PGNGameSummary> games;
    std::optional<PGNGameSummary> current;
    pgn::MovetextLexer lexer;
    bool sawMove = false;
    bool hasTags = false;
    // A line after the tags ended them: a tag line from there on starts the next game, also
    // when the game has no moves.
    bool tagsEnded = false;
    std::optional<std::string> resultTag;
    std::size_t nextReport = std::size_t{1} << 20;
    bool cancelled = false;

    const auto close = [&](std::size_t end) {
        if (current && (hasTags || sawMove)) {
            current->length = end - current->offset;
            if (current->result.empty()) {
                current->result = resultTag.value_or("*");
            }
            games.push_back(std::move(*current));
        }
        current.reset();
        sawMove = false;
        hasTags = false;
        tagsEnded = false;
        resultTag.reset();
        lexer = pgn::MovetextLexer();
    };

    pgn::forEachLine(text.substr(skipped), [&](std::size_t start, std::string_view line) {
        const std::size_t offset = start + skipped;
        if (progress && offset >= nextReport) {
            nextReport = offset + (std::size_t{1} << 20);
            if (!progress(offset)) {
                cancelled = true;
                return false;
            }
        }
        if (!lexer.isInsideCommentOrVariation()) {
            if (auto tag = pgn::parseTagLine(line)) {
                if (sawMove || tagsEnded) {
                    close(offset);
                }
                if (!current) {
                    current = PGNGameSummary{};
                    current->offset = offset;
                }
                hasTags = true;
                auto& [name, value] = *tag;
                if (name == "White") {
                    current->white = std::move(value);
                } else if (name == "Black") {
                    current->black = std::move(value);
                } else if (name == "Date") {
                    current->date = std::move(value);
                } else if (name == "Event") {
                    current->event = std::move(value);
                } else if (name == "Result") {
                    resultTag = std::move(value);
                }
                return true;
            }
        }
        if (!current) {
            if (pgn::isBlank(line)) {
                return true;
            }
            current = PGNGameSummary{};
            current->offset = offset;
        }
        tagsEnded = tagsEnded || hasTags;
        pgn::GameCounter counter{*current};
        lexer.feed(line, counter);
        sawMove = sawMove || counter.sawMove;
        return true;
    });
    if (cancelled) {
        return std::nullopt;
    }
    close(text.size());
    return games;
}

} // namespace velkor

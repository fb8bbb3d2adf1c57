#pragma once

#include "ChessBoard.h"
#include "PGNAnnotation.h"

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkor {

// One game read from PGN text.
struct ParsedPGN {
    // Tag name to unescaped value; a later tag of the same name wins.
    std::map<std::string, std::string> tags;
    // The final position; its initialFEN is the starting position, its history the moves.
    ChessBoard board;
    // The last result token of the movetext, else the Result tag, else "*".
    std::string result;
    // The tag names in the order they first appear, so a game is written back as it was read.
    std::vector<std::string> tagOrder;
    // The comment before the first move.
    std::string gameComment;
    // One entry per move of the history: its glyphs and comment.
    std::vector<MoveAnnotation> annotations;
    // How many variations (side lines in parentheses) were left out; only the main line is read.
    std::size_t variationsSetAside = 0;
};

// What a file's list of games shows of one game, and where its text lies.
struct PGNGameSummary {
    std::size_t offset = 0;
    std::size_t length = 0;
    std::string white;
    std::string black;
    // The last result token of the movetext, else the Result tag, else "*".
    std::string result;
    std::string date;
    std::string event;
    // Move tokens of the main line, counted without checking them.
    std::size_t plies = 0;
};

// Reads one game from PGN text, forgiving the usual decorations (comments, variations, glyphs,
// move numbers, "!"/"?" suffixes, castling with zeros, "e.p.") but recognising a move only when it
// equals, after that normalisation, the SAN the board writes for a legal move. Comments and
// glyphs of the main line are kept with their moves; variations are counted and left out.
class PGNParser {
public:
    // The first game of the text: a tag line after the first game's moves starts the next game,
    // which is not read. A leading byte-order mark is skipped. Throws DomainError: the FEN error
    // of a bad SetUp position unchanged, or
    // ("Brontil.PGN", 1, "Invalid or ambiguous PGN move '<token>' at ply <n>.").
    static ParsedPGN parse(std::string_view text);

    // Every game of a text holding one or many, without playing their moves: where each one's
    // text lies and what a list of games shows of it. `progress` is told how many bytes were
    // read, about every megabyte; when it answers false the reading stops and none is returned.
    static std::optional<std::vector<PGNGameSummary>>
    indexGames(std::string_view text,
               const std::function<bool(std::size_t bytesRead)>& progress = {});
};

namespace pgn {

inline constexpr std::string_view errorDomain = "Brontil.PGN";
inline constexpr int invalidMoveCode = 1;

// Name and unescaped value of a tag line ([Name "value"] with only blanks after it); none for any
// other line. A backslash escapes the next character inside the value.
std::optional<std::pair<std::string, std::string>> parseTagLine(std::string_view line);

// The movetext without {...} comments (nesting), ";" comments to the line end and (...)
// variations (nesting); line breaks outside them become blanks.
std::string removeCommentsAndVariations(std::string_view movetext);

// What a move token and a SAN are compared as: castling with zeros as letters, no trailing
// "!"/"?" run, no "e.p.", trimmed.
std::string normalizedMoveText(std::string_view text);

} // namespace pgn

} // namespace velkor

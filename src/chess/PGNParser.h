#pragma once

#include "ChessBoard.h"

#include <map>
#include <string>
#include <string_view>

namespace velkor {

// One game read from PGN text.
struct ParsedPGN {
    // Tag name to unescaped value; a later tag of the same name wins.
    std::map<std::string, std::string> tags;
    // The final position; its initialFEN is the starting position, its history the moves.
    ChessBoard board;
    // The last result token of the movetext, else the Result tag, else "*".
    std::string result;
};

// Reads one game from PGN text, forgiving the usual decorations (comments, variations, glyphs,
// move numbers, "!"/"?" suffixes, castling with zeros, "e.p.") but recognising a move only when it
// equals, after that normalisation, the SAN the board writes for a legal move.
class PGNParser {
public:
    // Throws DomainError: the FEN error of a bad SetUp position unchanged, or
    // ("Brontil.PGN", 1, "Invalid or ambiguous PGN move '<token>' at ply <n>.").
    static ParsedPGN parse(std::string_view text);
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

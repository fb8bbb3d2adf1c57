#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkor {

// What a game record says about one move besides the move itself: its numeric annotation
// glyphs ($1 = "!", $2 = "?", ...) in the order written, and its comment with runs of white
// space collapsed to one blank; and a line that could have been played instead of it (SAN moves
// from the position before it), written as a variation after it.
struct MoveAnnotation {
    std::vector<int> nags;
    std::string comment;
    std::vector<std::string> variation{};

    bool empty() const { return nags.empty() && comment.empty() && variation.empty(); }
    bool operator==(const MoveAnnotation&) const = default;
};

namespace pgn {

// The glyph people write for a numeric annotation ("!" for 1, "?!" for 6, "±" for 16 ...),
// or "$n" for the many without a common sign.
std::string nagSymbol(int nag);

// "$n", the way PGN writes a numeric annotation.
std::string nagText(int nag);

// The numeric annotation of a move suffix ("!" 1, "?" 2, "!!" 3, "??" 4, "!?" 5, "?!" 6);
// 0 for any other run of marks.
int nagOfSuffix(std::string_view suffix);

} // namespace pgn

} // namespace velkor

#pragma once

#include "Square.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velkor {

// A command embedded in a PGN comment, "[%name value]", as other programs write them for arrows,
// coloured squares, clock times and evaluations.
struct CommentCommand {
    std::string name;
    std::string value;
    // Where "[%" starts and one past the closing "]" in the comment.
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The commands of a comment in the order written. A "[%" without a name or without its closing
// bracket is ordinary comment text and is not returned.
std::vector<CommentCommand> commandsIn(std::string_view comment);

// The four colours players draw with; the PGN letters are G, R, B and Y.
enum class ShapeColor : unsigned char { green, red, blue, yellow };

// An arrow from one square to another, or a circle on one square (from == to).
struct DrawnShape {
    ShapeColor color = ShapeColor::green;
    Square from;
    Square to;

    bool isCircle() const { return from == to; }
    bool operator==(const DrawnShape&) const = default;
};

// The arrows ("[%cal Ge2e4,Rd7d5]") and circles ("[%csl Gd4]") of a comment; entries that do not
// read as a colour letter and squares are skipped, so a foreign file never fails to load.
std::vector<DrawnShape> shapesInComment(std::string_view comment);

// The comment with its arrow and circle commands replaced by `shapes` (circles first, then
// arrows, each as one command); the rest of the comment is kept as it was.
std::string commentWithShapes(std::string_view comment, const std::vector<DrawnShape>& shapes);

} // namespace velkor

#include "PGNCommands.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace velkor {
namespace {

constexpr std::string_view arrowCommand = "cal";
constexpr std::string_view circleCommand = "csl";

bool isNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_';
}

std::optional<ShapeColor> colorOfLetter(char letter) {
    switch (letter) {
    case 'G':
        return ShapeColor::green;
    case 'R':
        return ShapeColor::red;
    case 'B':
        return ShapeColor::blue;
    case 'Y':
        return ShapeColor::yellow;
    default:
        return std::nullopt;
    }
}

char letterOfColor(ShapeColor color) {
    switch (color) {
    case ShapeColor::red:
        return 'R';
    case ShapeColor::blue:
        return 'B';
    case ShapeColor::yellow:
        return 'Y';
    case ShapeColor::green:
        break;
    }
    return 'G';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())) != 0) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())) != 0) {
        text.remove_suffix(1);
    }
    return text;
}

// One entry of a shape command: a colour letter and one square (circle) or two (arrow).
std::optional<DrawnShape> shapeOf(std::string_view entry, bool arrow) {
    entry = trimmed(entry);
    if (entry.size() != (arrow ? 5U : 3U)) {
        return std::nullopt;
    }
    const auto color = colorOfLetter(entry[0]);
    const auto from = Square::parse(entry.substr(1, 2));
    const auto to = arrow ? Square::parse(entry.substr(3, 2)) : from;
    // An arrow onto its own square would read back as a circle.
    if (!color || !from || !to || (arrow && *from == *to)) {
        return std::nullopt;
    }
    return DrawnShape{*color, *from, *to};
}

void appendCommand(std::string& text, std::string_view name,
                   const std::vector<std::string>& entries) {
    if (entries.empty()) {
        return;
    }
    if (!text.empty()) {
        text += ' ';
    }
    text += "[%";
    text += name;
    text += ' ';
    for (std::size_t index = 0; index < entries.size(); ++index) {
        if (index > 0) {
            text += ',';
        }
        text += entries[index];
    }
    text += ']';
}

} // namespace

std::vector<CommentCommand> commandsIn(std::string_view comment) {
    std::vector<CommentCommand> commands;
    std::size_t position = 0;
    while ((position = comment.find("[%", position)) != std::string_view::npos) {
        std::size_t nameEnd = position + 2;
        while (nameEnd < comment.size() && isNameCharacter(comment[nameEnd])) {
            ++nameEnd;
        }
        const std::size_t close = comment.find(']', nameEnd);
        // A nested "[" means this "[%" was text, and the next one may be a command.
        const std::size_t nextOpen = comment.find('[', nameEnd);
        if (nameEnd == position + 2 || close == std::string_view::npos || nextOpen < close) {
            position += 2;
            continue;
        }
        commands.push_back({std::string(comment.substr(position + 2, nameEnd - position - 2)),
                            std::string(trimmed(comment.substr(nameEnd, close - nameEnd))),
                            position, close + 1});
        position = close + 1;
    }
    return commands;
}

std::vector<DrawnShape> shapesInComment(std::string_view comment) {
    std::vector<DrawnShape> shapes;
    for (const CommentCommand& command : commandsIn(comment)) {
        const bool arrow = command.name == arrowCommand;
        if (!arrow && command.name != circleCommand) {
            continue;
        }
        std::string_view rest = command.value;
        while (!rest.empty()) {
            const std::size_t comma = rest.find(',');
            const auto shape = shapeOf(rest.substr(0, comma), arrow);
            // The same shape twice would toggle itself away when drawn again; keep one.
            if (shape && std::find(shapes.begin(), shapes.end(), *shape) == shapes.end()) {
                shapes.push_back(*shape);
            }
            rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
        }
    }
    return shapes;
}

std::string commentWithShapes(std::string_view comment, const std::vector<DrawnShape>& shapes) {
    std::vector<std::string> circles;
    std::vector<std::string> arrows;
    for (const DrawnShape& shape : shapes) {
        std::string entry(1, letterOfColor(shape.color));
        entry += shape.from.algebraic();
        if (shape.isCircle()) {
            circles.push_back(std::move(entry));
        } else {
            entry += shape.to.algebraic();
            arrows.push_back(std::move(entry));
        }
    }
    std::string text;
    appendCommand(text, circleCommand, circles);
    appendCommand(text, arrowCommand, arrows);

    // What remains of the comment once its own shape commands are cut out, blanks collapsed.
    std::string rest;
    std::size_t kept = 0;
    for (const CommentCommand& command : commandsIn(comment)) {
        if (command.name == arrowCommand || command.name == circleCommand) {
            rest.append(comment.substr(kept, command.begin - kept));
            kept = command.end;
        }
    }
    rest.append(comment.substr(kept));
    std::string collapsed;
    for (const char c : rest) {
        const bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (blank && (collapsed.empty() || collapsed.back() == ' ')) {
            continue;
        }
        collapsed += blank ? ' ' : c;
    }
    if (!collapsed.empty() && collapsed.back() == ' ') {
        collapsed.pop_back();
    }
    if (!collapsed.empty()) {
        if (!text.empty()) {
            text += ' ';
        }
        text += collapsed;
    }
    return text;
}

} // namespace velkor

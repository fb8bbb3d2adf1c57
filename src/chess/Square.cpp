#include "Square.h"

#include "TextUtil.h"

namespace velkor {

std::optional<Square> Square::parse(std::string_view text) {
    const std::string lower = text::lowercased(text::trimmed(text));
    if (lower.size() != 2) {
        return std::nullopt;
    }
    const char fileLetter = lower[0];
    const char rankDigit = lower[1];
    if (fileLetter < 'a' || fileLetter > 'h' || rankDigit < '1' || rankDigit > '8') {
        return std::nullopt;
    }
    return Square(fileLetter - 'a', rankDigit - '1');
}

} // namespace velkor

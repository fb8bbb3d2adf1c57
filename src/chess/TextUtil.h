#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace velkor::text {

// True for the characters the system treats as white space or line breaks.
constexpr bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The text without white space and line breaks at both ends.
constexpr std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isSpace(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isSpace(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// ASCII lower-casing; other bytes (UTF-8 included) stay as they are.
inline std::string lowercased(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

// The pieces between runs of white space; leading, trailing and repeated blanks give no empty
// pieces.
inline std::vector<std::string_view> splitAtWhitespace(std::string_view text) {
    std::vector<std::string_view> pieces;
    std::size_t index = 0;
    while (index < text.size()) {
        while (index < text.size() && isSpace(text[index])) {
            ++index;
        }
        const std::size_t start = index;
        while (index < text.size() && !isSpace(text[index])) {
            ++index;
        }
        if (index > start) {
            pieces.push_back(text.substr(start, index - start));
        }
    }
    return pieces;
}

} // namespace velkor::text

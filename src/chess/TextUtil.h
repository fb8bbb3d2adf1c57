#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace velkor::text {

// Byte length of the white-space or line-break character that starts at `index` in UTF-8 text,
// 0 when another character (or nothing) starts there. The set is Unicode's: tab to carriage
// return, the blank, NEL, the no-break and other typographic spaces, and the line and paragraph
// separators, so text pasted from documents and web pages splits and trims as it reads.
constexpr std::size_t spaceLengthAt(std::string_view text, std::size_t index) {
    if (index >= text.size()) {
        return 0;
    }
    const auto byte = [text](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    const unsigned char lead = byte(index);
    if (lead == ' ' || (lead >= '\t' && lead <= '\r')) {
        return 1;
    }
    const std::size_t left = text.size() - index;
    if (lead == 0xC2 && left >= 2) {
        return byte(index + 1) == 0x85 || byte(index + 1) == 0xA0 ? 2 : 0; // NEL, no-break space
    }
    if (left < 3) {
        return 0;
    }
    const unsigned char second = byte(index + 1);
    const unsigned char third = byte(index + 2);
    const bool isSpace =
        (lead == 0xE1 && second == 0x9A && third == 0x80) || // U+1680
        (lead == 0xE2 && second == 0x80 && // U+2000-U+200A, U+2028, U+2029, U+202F
         ((third >= 0x80 && third <= 0x8A) || third == 0xA8 || third == 0xA9 || third == 0xAF)) ||
        (lead == 0xE2 && second == 0x81 && third == 0x9F) || // U+205F
        (lead == 0xE3 && second == 0x80 && third == 0x80);   // U+3000
    return isSpace ? 3 : 0;
}

// Byte length of the white-space or line-break character that ends text[0, end), 0 when none does.
constexpr std::size_t spaceLengthBefore(std::string_view text, std::size_t end) {
    for (std::size_t length = 1; length <= 3 && length <= end; ++length) {
        if (spaceLengthAt(text.substr(0, end), end - length) == length) {
            return length;
        }
    }
    return 0;
}

// Byte length of the line-break character at `index` (LF, VT, FF, CR, NEL, U+2028, U+2029), 0
// for anything else.
constexpr std::size_t lineBreakLengthAt(std::string_view text, std::size_t index) {
    const std::size_t length = spaceLengthAt(text, index);
    if (length == 1) {
        return text[index] >= '\n' && text[index] <= '\r' ? 1 : 0;
    }
    if (length == 2) {
        return static_cast<unsigned char>(text[index + 1]) == 0x85 ? 2 : 0;
    }
    if (length == 3 && static_cast<unsigned char>(text[index + 1]) == 0x80) {
        const auto third = static_cast<unsigned char>(text[index + 2]);
        return third == 0xA8 || third == 0xA9 ? 3 : 0;
    }
    return 0;
}

// The text without white space and line breaks at both ends.
constexpr std::string_view trimmed(std::string_view text) {
    while (const std::size_t length = spaceLengthAt(text, 0)) {
        text.remove_prefix(length);
    }
    while (const std::size_t length = spaceLengthBefore(text, text.size())) {
        text.remove_suffix(length);
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
        while (const std::size_t length = spaceLengthAt(text, index)) {
            index += length;
        }
        const std::size_t start = index;
        while (index < text.size() && spaceLengthAt(text, index) == 0) {
            ++index;
        }
        if (index > start) {
            pieces.push_back(text.substr(start, index - start));
        }
    }
    return pieces;
}

} // namespace velkor::text

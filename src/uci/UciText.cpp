#include "UciText.h"

#include <charconv>
#include <cmath>

namespace velkor::uci {

namespace {

bool isAsciiSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

bool isUnicodeSpace(char32_t c) {
    return c == 0x85 || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) || c == 0x2028 ||
           c == 0x2029 || c == 0x202F || c == 0x205F || c == 0x3000;
}

// Decodes the two- or three-byte sequence of `length` bytes at `bytes`; only the forms the
// Unicode spaces use are needed here (the line was validated before it is trimmed).
char32_t decodeShort(const unsigned char* bytes, std::size_t length) {
    if (length == 2) {
        return static_cast<char32_t>(((bytes[0] & 0x1F) << 6) | (bytes[1] & 0x3F));
    }
    return static_cast<char32_t>(((bytes[0] & 0x0F) << 12) | ((bytes[1] & 0x3F) << 6) |
                                 (bytes[2] & 0x3F));
}

// Length of the white space that starts the text, 0 when it starts with something else.
std::size_t leadingSpaceLength(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    if (isAsciiSpace(bytes[0])) {
        return 1;
    }
    const std::size_t length = (bytes[0] & 0xE0) == 0xC0 ? 2 : (bytes[0] & 0xF0) == 0xE0 ? 3 : 0;
    if (length == 0 || text.size() < length) {
        return 0;
    }
    return isUnicodeSpace(decodeShort(bytes, length)) ? length : 0;
}

// Length of the white space that ends the text, 0 when it ends with something else.
std::size_t trailingSpaceLength(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    if (isAsciiSpace(bytes[size - 1])) {
        return 1;
    }
    for (const std::size_t length : {std::size_t{2}, std::size_t{3}}) {
        if (size < length) {
            break;
        }
        const unsigned char lead = bytes[size - length];
        const bool isLead = length == 2 ? (lead & 0xE0) == 0xC0 : (lead & 0xF0) == 0xE0;
        if (isLead) {
            return isUnicodeSpace(decodeShort(bytes + size - length, length)) ? length : 0;
        }
    }
    return 0;
}

} // namespace

std::string_view trimmedLine(std::string_view line) {
    while (!line.empty()) {
        const std::size_t length = leadingSpaceLength(line);
        if (length == 0) {
            break;
        }
        line.remove_prefix(length);
    }
    while (!line.empty()) {
        const std::size_t length = trailingSpaceLength(line);
        if (length == 0) {
            break;
        }
        line.remove_suffix(length);
    }
    return line;
}

bool isValidUtf8(std::string_view text) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char c = bytes[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t value = 0;
        char32_t minimum = 0;
        if ((c & 0xE0) == 0xC0) {
            length = 2;
            value = c & 0x1F;
            minimum = 0x80;
        } else if ((c & 0xF0) == 0xE0) {
            length = 3;
            value = c & 0x0F;
            minimum = 0x800;
        } else if ((c & 0xF8) == 0xF0) {
            length = 4;
            value = c & 0x07;
            minimum = 0x10000;
        } else {
            return false;
        }
        if (size - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
            value = (value << 6) | (bytes[i + k] & 0x3F);
        }
        if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

std::optional<std::int64_t> parseInteger(std::string_view token) {
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
        // "+-5" must not read as -5.
        if (!token.empty() && token.front() == '-') {
            return std::nullopt;
        }
    }
    if (token.empty()) {
        return std::nullopt;
    }
    std::int64_t value = 0;
    const auto* end = token.data() + token.size();
    const auto [stop, error] = std::from_chars(token.data(), end, value);
    if (error != std::errc{} || stop != end) {
        return std::nullopt;
    }
    return value;
}

std::vector<std::string_view> splitAtBlanks(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t start = 0;
    while (true) {
        const std::size_t blank = line.find(' ', start);
        if (blank == std::string_view::npos) {
            tokens.push_back(line.substr(start));
            return tokens;
        }
        tokens.push_back(line.substr(start, blank - start));
        start = blank + 1;
    }
}

std::string asciiLowercased(std::string_view text) {
    std::string result(text);
    for (char& c : result) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return result;
}

std::string secondsText(double seconds) {
    // Plain decimals from 0.0001 up to 2^53, an exponent outside that range (1e-05, 1e+16).
    const double magnitude = std::fabs(seconds);
    const bool plain = magnitude == 0 || (magnitude >= 1e-4 && magnitude <= 0x1.0p53);
    char text[64];
    const auto format = plain ? std::chars_format::fixed : std::chars_format::scientific;
    const auto [end, error] = std::to_chars(text, text + sizeof text, seconds, format);
    std::string result(text, error == std::errc{} ? end : text);
    if (plain && result.find('.') == std::string::npos) {
        result += ".0";
    }
    return result;
}

} // namespace velkor::uci

#include "UciText.h"

#include "chess/TextUtil.h"

#include <charconv>
#include <cmath>

namespace velkor::uci {

std::string_view trimmedLine(std::string_view line) {
    return text::trimmed(line);
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

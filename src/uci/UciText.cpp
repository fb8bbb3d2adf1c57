#include "UciText.h"

#include "chess/TextEncoding.h"
#include "chess/TextUtil.h"

#include <charconv>
#include <cmath>

namespace velkor::uci {

std::string_view trimmedLine(std::string_view line) {
    return text::trimmed(line);
}

bool isValidUtf8(std::string_view text) {
    return text::isValidUtf8(text);
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

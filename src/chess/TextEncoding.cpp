#include "TextEncoding.h"

#include <array>
#include <cstdint>

namespace velkor::text {

namespace {

constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

// Windows-1252 in 0x80-0x9F; the five holes stay as Latin-1's control characters.
constexpr std::array<char32_t, 32> windows1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    const auto at = [bytes](std::size_t index) { return static_cast<unsigned char>(bytes[index]); };
    std::size_t index = 0;
    while (index < bytes.size()) {
        const unsigned char lead = at(index);
        if (lead < 0x80) {
            ++index;
            continue;
        }
        std::size_t length = 0;
        char32_t minimum = 0;
        char32_t code = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            minimum = 0x80;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            minimum = 0x800;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            minimum = 0x10000;
            code = lead & 0x07;
        } else {
            return false;
        }
        if (bytes.size() - index < length) {
            return false;
        }
        for (std::size_t next = 1; next < length; ++next) {
            const unsigned char continuation = at(index + next);
            if ((continuation & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (continuation & 0x3F);
        }
        if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        index += length;
    }
    return true;
}

DecodedText decodeUtf8OrLatin1(std::string bytes) {
    std::string_view body(bytes);
    if (body.starts_with(byteOrderMark)) {
        body.remove_prefix(byteOrderMark.size());
    }
    if (isValidUtf8(body)) {
        if (body.size() != bytes.size()) {
            bytes.erase(0, byteOrderMark.size());
        }
        return {std::move(bytes), false};
    }
    std::string text;
    text.reserve(body.size() + body.size() / 8);
    for (const char c : body) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            text += c;
        } else if (byte < 0xA0) {
            appendUtf8(text, windows1252High[byte - 0x80]);
        } else {
            appendUtf8(text, byte);
        }
    }
    return {std::move(text), true};
}

} // namespace velkor::text

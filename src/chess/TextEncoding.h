#pragma once

#include <string>
#include <string_view>

namespace velkor::text {

// Text read from a file, as UTF-8, and whether its bytes had to be read as Latin-1.
struct DecodedText {
    std::string text;
    bool readAsLatin1 = false;
};

// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// The UTF-8 text of a file's bytes: without a leading byte-order mark; bytes that are not UTF-8
// are read as Latin-1, as older chess databases write them (0x80-0x9F as Windows-1252 reads
// them, since nobody means control characters there).
DecodedText decodeUtf8OrLatin1(std::string bytes);

} // namespace velkor::text

#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Text primitives of the UCI dialogue: engines talk in lines of UTF-8 made of blank-separated
// tokens. Standard library only, so the parser stays testable and fast.
namespace velkor::uci {

// The line without white space and line breaks at both ends: ASCII blanks, tabs, CR, LF, VT, FF
// and the Unicode spaces and separators (NEL, no-break space, U+2000-U+200A, U+2028, U+2029, ...).
std::string_view trimmedLine(std::string_view line);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing past
// U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// A whole token read as a signed 64-bit integer: an optional "+" or "-", then decimal digits and
// nothing else; out-of-range values give nothing.
std::optional<std::int64_t> parseInteger(std::string_view token);

// Splits at every single blank, so two blanks in a row give an empty token.
std::vector<std::string_view> splitAtBlanks(std::string_view line);

// A duration in seconds in its shortest form with at least one decimal: 5 gives "5.0", 0.5 "0.5",
// 30 "30.0"; very small or large values take an exponent (1e-05, 1e+16).
std::string secondsText(double seconds);

} // namespace velkor::uci

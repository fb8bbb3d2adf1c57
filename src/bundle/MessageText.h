#pragma once

#include <string>
#include <string_view>

namespace velkor::bundle {

// `text` fit for a one-line message (the updater's standard-error line, the status file, the
// update window): every control character is written out, so no file or entry name can start a
// line of its own, forge a prefix or move the cursor. Line feed, carriage return and tab become
// \n, \r and \t; the other C0 controls and DEL become \xHH; the C1 controls and the line and
// paragraph separators become \uHHHH. Everything else, invalid UTF-8 included, is kept as it is,
// so escaping twice changes nothing more.
std::string escapeControlCharacters(std::string_view text);

// `text` with the ASCII letters A-Z made lower case and every other byte kept, whatever the
// locale: it compares file name extensions and hexadecimal digests, where a locale's own idea of
// case (a Latin-1 locale folding the bytes of UTF-8 names) would only do harm.
std::string lowerCased(std::string_view text);

// Well-formed UTF-8 only: no overlong forms, surrogates or values past U+10FFFF.
bool isValidUtf8(std::string_view text);

} // namespace velkor::bundle

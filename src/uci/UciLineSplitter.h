#pragma once

#include "UciText.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace velkor::uci {

// Turns the byte chunks an engine writes into its lines. A line ends at a line feed; it is
// trimmed (so CR LF endings work) and skipped when empty. A line that is not valid UTF-8 is
// dropped on its own: checking whole lines rather than chunks keeps a character or a line that a
// read happened to cut in two, and a bad line cannot take its neighbours with it. An unterminated
// tail waits for the next chunk, however long it grows.
class UciLineSplitter {
public:
    // Appends `chunk` and calls `onLine(std::string_view)` for every line it completes.
    template <typename OnLine>
    void feed(std::string_view chunk, OnLine&& onLine) {
        m_buffer.append(chunk);
        std::size_t lineStart = 0;
        std::size_t searchFrom = m_scanned;
        while (true) {
            const std::size_t feed = m_buffer.find('\n', searchFrom);
            if (feed == std::string::npos) {
                break;
            }
            deliver(std::string_view(m_buffer).substr(lineStart, feed - lineStart), onLine);
            lineStart = feed + 1;
            searchFrom = lineStart;
        }
        m_buffer.erase(0, lineStart);
        // Only the new bytes are searched next time, so a huge line costs linear time.
        m_scanned = m_buffer.size();
    }

    // Bytes received but not yet ended by a line feed.
    std::size_t pendingBytes() const { return m_buffer.size(); }

private:
    template <typename OnLine>
    static void deliver(std::string_view raw, OnLine& onLine) {
        if (!isValidUtf8(raw)) {
            return;
        }
        const std::string_view line = trimmedLine(raw);
        if (!line.empty()) {
            onLine(line);
        }
    }

    std::string m_buffer;
    std::size_t m_scanned = 0;
};

} // namespace velkor::uci

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
// tail waits for the next chunk, up to maxPendingBytes: an engine that never ends its line must
// not be able to fill the memory, so such a line is dropped up to its line feed.
class UciLineSplitter {
public:
    // Far beyond any real engine line (1 MB lines are handled), small enough to be harmless.
    static constexpr std::size_t maxPendingBytes = std::size_t{16} * 1024 * 1024;

    // Appends `chunk` and calls `onLine(std::string_view)` for every line it completes.
    template <typename OnLine>
    void feed(std::string_view chunk, OnLine&& onLine) {
        if (m_discardingLine) {
            const std::size_t end = chunk.find('\n');
            if (end == std::string_view::npos) {
                return;
            }
            chunk.remove_prefix(end + 1);
            m_discardingLine = false;
        }
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
        if (m_buffer.size() > maxPendingBytes) {
            m_buffer.clear();
            m_buffer.shrink_to_fit();
            m_scanned = 0;
            m_discardingLine = true;
        }
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
    // The pending line grew past the limit: the rest of it, up to its line feed, is dropped.
    bool m_discardingLine = false;
};

} // namespace velkor::uci

#pragma once

#include "UciOption.h"

#include <QString>
#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velkor {

// The outcome of a short UCI exchange with an executable.
struct EngineTestResult {
    // The engine answered "uciok" in time.
    bool success = false;
    std::optional<QString> engineName;
    std::optional<QString> author;
    std::optional<QString> error;
    // On success: whether an option line for UCI_LimitStrength was seen.
    std::optional<bool> supportsLimitStrength;
    // On success: every option declared in a readable line, in declared order, so its options
    // can be shown without starting the engine for a game.
    std::vector<uci::UciOption> options{};

    bool operator==(const EngineTestResult&) const = default;
};

namespace uci {

// What an engine's reply to "uci" tells about it; fed trimmed lines, later id lines win.
class EngineReplyScanner {
public:
    void consumeLine(std::string_view line);

    bool sawUciOk() const { return m_sawUciOk; }
    // The result of a test that ended now.
    EngineTestResult result(std::chrono::milliseconds timeout) const;

private:
    std::optional<std::string> m_engineName;
    std::optional<std::string> m_author;
    std::vector<UciOption> m_options;
    bool m_sawLimitStrength = false;
    bool m_sawUciOk = false;
};

// Starts the executable at `path`, writes "uci" and "quit", and waits up to `timeout` for
// "uciok"; then ends the child (killing it after `killGrace`) and reaps it. Blocks the calling
// thread, which needs no event loop.
EngineTestResult runEngineTest(const QString& path, std::chrono::milliseconds timeout,
                               std::chrono::milliseconds killGrace);

} // namespace uci
} // namespace velkor

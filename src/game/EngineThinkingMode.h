#pragma once

#include <cstdint>

namespace velkor {

// How an engine is told to search: a fixed time per move, a fixed depth, or the game clock with
// both sides' remaining time and the increment. Equal when the case and its payload are equal.
class EngineThinkingMode {
public:
    enum class Kind : unsigned char { fixedMoveTime, fixedDepth, gameClock };

    static constexpr EngineThinkingMode fixedMoveTime(double seconds) {
        return EngineThinkingMode(Kind::fixedMoveTime, seconds, 0);
    }
    static constexpr EngineThinkingMode fixedDepth(std::int64_t depth) {
        return EngineThinkingMode(Kind::fixedDepth, 0.0, depth);
    }
    static constexpr EngineThinkingMode gameClock() {
        return EngineThinkingMode(Kind::gameClock, 0.0, 0);
    }

    constexpr Kind kind() const { return m_kind; }
    // Seconds per move of `fixedMoveTime`; 0 for the other cases.
    constexpr double seconds() const { return m_seconds; }
    // Depth of `fixedDepth`; 0 for the other cases.
    constexpr std::int64_t depth() const { return m_depth; }

    constexpr bool operator==(const EngineThinkingMode&) const = default;

private:
    constexpr EngineThinkingMode(Kind kind, double seconds, std::int64_t depth)
        : m_kind(kind), m_seconds(seconds), m_depth(depth) {}

    Kind m_kind;
    double m_seconds;
    std::int64_t m_depth;
};

} // namespace velkor

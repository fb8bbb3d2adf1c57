#include "LowTimeWarning.h"

#include "ChessClock.h"
#include "platform/SoundManager.h"

namespace velkor {

LowTimeWarning::LowTimeWarning(const ChessClock& clock, platform::SoundManager& sounds,
                               QObject* parent)
    : QObject(parent), m_clock(clock), m_sounds(sounds) {
    connect(&clock, &ChessClock::whiteRemainingMsChanged, this,
            [this](qint64 remaining) { check(PieceColor::white, remaining); });
    connect(&clock, &ChessClock::blackRemainingMsChanged, this,
            [this](qint64 remaining) { check(PieceColor::black, remaining); });
}

void LowTimeWarning::check(PieceColor color, std::int64_t remainingMs) {
    bool& armed = m_armed[color == PieceColor::white ? 0 : 1];
    if (remainingMs >= thresholdMs) {
        armed = true;
        return;
    }
    // Only a clock that is running down warns: times loaded, restored or shown after a stop
    // are no news, and a flag that has fallen is the end-of-game sound's.
    if (!armed || remainingMs <= 0 || m_clock.isUnlimited() || !m_clock.isRunning() ||
        m_clock.activeColor() != color) {
        return;
    }
    armed = false;
    m_sounds.play(platform::SoundEffect::lowTime);
}

} // namespace velkor

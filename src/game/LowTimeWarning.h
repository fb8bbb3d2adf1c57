#pragma once

#include "chess/PieceColor.h"

#include <QObject>
#include <array>
#include <cstdint>

namespace velkor {

class ChessClock;
namespace platform {
class SoundManager;
}

// Sounds the low-time warning when the running side's clock falls below ten seconds: once per
// crossing, so a clock that climbs back above the mark (by its increment, an undo or a new game)
// warns again the next time it falls. Muted with the other sounds. Main thread.
class LowTimeWarning : public QObject {
    Q_OBJECT

public:
    static constexpr std::int64_t thresholdMs = 10'000;

    // Both must outlive the warning.
    LowTimeWarning(const ChessClock& clock, platform::SoundManager& sounds,
                   QObject* parent = nullptr);

private:
    void check(PieceColor color, std::int64_t remainingMs);

    const ChessClock& m_clock;
    platform::SoundManager& m_sounds;
    // Per colour, White first: whether the clock stood at or above the mark since its last
    // warning.
    std::array<bool, 2> m_armed{true, true};
};

} // namespace velkor

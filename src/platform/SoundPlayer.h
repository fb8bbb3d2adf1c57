#pragma once

#include "SoundEffect.h"

namespace velkor::platform {

// What actually makes a sound. SoundManager decides whether and when to play; the player only
// starts the effect, on the main thread, and must return at once. Tests record the requests.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Starts the effect without waiting for it; a player that cannot play stays silent.
    virtual void play(SoundEffect effect) = 0;
};

} // namespace velkor::platform

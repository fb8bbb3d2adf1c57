#include "SoundEffect.h"

namespace velkor::platform {

namespace {

struct SoundFile {
    const char* systemName;
    const char* resource;
};

// Indexed by the enumeration's order.
constexpr std::array<SoundFile, 6> soundFiles{{
    {"Tink", ":/sounds/move.wav"},
    {"Pop", ":/sounds/capture.wav"},
    {"Morse", ":/sounds/check.wav"},
    {"Hero", ":/sounds/game_end.wav"},
    {"Bottle", ":/sounds/castle.wav"},
    {"Ping", ":/sounds/low_time.wav"},
}};

} // namespace

QString systemSoundName(SoundEffect effect) {
    return QString::fromLatin1(soundFiles[static_cast<std::size_t>(effect)].systemName);
}

QString resourcePath(SoundEffect effect) {
    return QString::fromLatin1(soundFiles[static_cast<std::size_t>(effect)].resource);
}

} // namespace velkor::platform

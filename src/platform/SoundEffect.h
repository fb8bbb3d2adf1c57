#pragma once

#include <QString>
#include <array>

namespace velkor::platform {

// The four sounds of play, one per game event.
enum class SoundEffect : unsigned char { move, capture, check, gameEnd };

inline constexpr std::array<SoundEffect, 4> allSoundEffects{
    SoundEffect::move, SoundEffect::capture, SoundEffect::check, SoundEffect::gameEnd};

// The name of the role's alert sound on the desktop the program was designed on ("Tink", "Pop",
// "Morse", "Hero"); our own sounds stand in for them.
QString systemSoundName(SoundEffect effect);

// The compiled-in WAV file of the effect (":/sounds/move.wav", ...).
QString resourcePath(SoundEffect effect);

} // namespace velkor::platform

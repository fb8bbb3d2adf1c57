#pragma once

#include <QString>
#include <array>

namespace velkor::platform {

// The sounds of play, one per game event; the low-time warning when a running clock falls below
// ten seconds.
enum class SoundEffect : unsigned char { move, capture, check, gameEnd, castle, lowTime };

inline constexpr std::array<SoundEffect, 6> allSoundEffects{
    SoundEffect::move,    SoundEffect::capture, SoundEffect::check,
    SoundEffect::gameEnd, SoundEffect::castle,  SoundEffect::lowTime};

// The name of the role's alert sound on the desktop the program was designed on ("Tink", "Pop",
// "Morse", "Hero", "Bottle", "Ping"); our own sounds stand in for them.
QString systemSoundName(SoundEffect effect);

// The compiled-in WAV file of the effect (":/sounds/move.wav", ...).
QString resourcePath(SoundEffect effect);

} // namespace velkor::platform

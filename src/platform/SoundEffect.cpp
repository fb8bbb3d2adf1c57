#include "SoundEffect.h"

namespace velkor::platform {

QString systemSoundName(SoundEffect effect) {
    switch (effect) {
    case SoundEffect::move:
        return QStringLiteral("Tink");
    case SoundEffect::capture:
        return QStringLiteral("Pop");
    case SoundEffect::check:
        return QStringLiteral("Morse");
    case SoundEffect::gameEnd:
        return QStringLiteral("Hero");
    }
    return {};
}

QString resourcePath(SoundEffect effect) {
    switch (effect) {
    case SoundEffect::move:
        return QStringLiteral(":/sounds/move.wav");
    case SoundEffect::capture:
        return QStringLiteral(":/sounds/capture.wav");
    case SoundEffect::check:
        return QStringLiteral(":/sounds/check.wav");
    case SoundEffect::gameEnd:
        return QStringLiteral(":/sounds/game_end.wav");
    }
    return {};
}

} // namespace velkor::platform

#pragma once

#include "SoundPlayer.h"

#include <QObject>
#include <array>
#include <optional>

class QMediaDevices;
class QSoundEffect;

namespace velkor::platform {

// Plays the compiled-in WAV files with QSoundEffect. On a machine without an audio output it
// plays nothing (Qt would otherwise report such an effect as playing forever) and says so once
// in the log. Lives on the main thread.
class QSoundEffectPlayer : public QObject, public SoundPlayer {
    Q_OBJECT

public:
    explicit QSoundEffectPlayer(QObject* parent = nullptr);
    ~QSoundEffectPlayer() override;

    void play(SoundEffect effect) override;

private:
    bool hasAudioOutput();
    QSoundEffect* effectFor(SoundEffect effect);
    void releaseAudio();

    // Created on the first play, so a program that never plays never touches the audio stack.
    QMediaDevices* m_devices = nullptr;
    std::optional<bool> m_hasAudioOutput;
    bool m_reportedSilence = false;
    // Set when the application quits: no sound is started after that.
    bool m_released = false;
    std::array<QSoundEffect*, allSoundEffects.size()> m_effects{};
};

} // namespace velkor::platform

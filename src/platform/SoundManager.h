#pragma once

#include "SoundEffect.h"
#include "SoundPlayer.h"

#include <QObject>
#include <QString>
#include <atomic>

namespace velkor::platform {

// Plays the sounds of play unless the user muted them; the choice persists under
// "BrontilSoundsMuted". Lives on the main thread; play() may be called from any thread.
class SoundManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isMuted READ isMuted WRITE setIsMuted NOTIFY isMutedChanged)

public:
    static inline const QString mutedKey = QStringLiteral("BrontilSoundsMuted");

    // Reads the stored mute choice (not muted when absent). The player must outlive the manager.
    explicit SoundManager(SoundPlayer& player, QObject* parent = nullptr);

    // The program's instance. It stays silent until it is given a player: the program loads the
    // sound module once its window is up (loadBundledSoundPlayer).
    static SoundManager& shared();

    // Plays through `player` from now on. Main thread only; the player must outlive the manager.
    void setPlayer(SoundPlayer& player);

    bool isMuted() const { return m_isMuted.load(); }
    // Stores the choice at once, on every assignment.
    void setIsMuted(bool muted);

    // Unless muted, posts the effect to the main thread and returns at once; never fails.
    void play(SoundEffect effect);

signals:
    void isMutedChanged(bool muted);

private:
    // Read on the main thread only.
    SoundPlayer* m_player;
    // Read by play() on any thread.
    std::atomic<bool> m_isMuted;
};

// Loads the sound module and hands its player to the shared manager; without the module the
// program stays silent and says so in the log.
void loadBundledSoundPlayer();

} // namespace velkor::platform

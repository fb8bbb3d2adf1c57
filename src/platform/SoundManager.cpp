#include "SoundManager.h"

#include "QSoundEffectPlayer.h"
#include "Settings.h"

#include <QCoreApplication>

namespace velkor::platform {

SoundManager::SoundManager(SoundPlayer& player, QObject* parent)
    : QObject(parent), m_player(player), m_isMuted(Settings::value(mutedKey).toBool()) {
    // Sounds start on the main thread, whichever thread first asked for the manager.
    if (QCoreApplication* app = QCoreApplication::instance(); app && !parent) {
        moveToThread(app->thread());
    }
}

SoundManager& SoundManager::shared() {
    static QSoundEffectPlayer player;
    static SoundManager manager(player);
    return manager;
}

void SoundManager::setIsMuted(bool muted) {
    Settings::setValue(mutedKey, muted);
    if (m_isMuted.exchange(muted) != muted) {
        emit isMutedChanged(muted);
    }
}

void SoundManager::play(SoundEffect effect) {
    if (isMuted()) {
        return;
    }
    QMetaObject::invokeMethod(
        this, [this, effect] { m_player.play(effect); }, Qt::QueuedConnection);
}

} // namespace velkor::platform

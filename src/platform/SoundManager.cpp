#include "SoundManager.h"

#include "BundledModule.h"
#include "Settings.h"
#include "SoundModuleEntry.h"

#include <QCoreApplication>

namespace velkor::platform {

SoundManager::SoundManager(SoundPlayer& player, QObject* parent)
    : QObject(parent), m_player(&player), m_isMuted(Settings::value(mutedKey).toBool()) {
    // Sounds start on the main thread, whichever thread first asked for the manager.
    if (QCoreApplication* app = QCoreApplication::instance(); app && !parent) {
        moveToThread(app->thread());
    }
}

namespace {

class SilentPlayer : public SoundPlayer {
public:
    void play(SoundEffect /*effect*/) override {}
};

} // namespace

SoundManager& SoundManager::shared() {
    static SilentPlayer silence;
    static SoundManager manager(silence);
    return manager;
}

void SoundManager::setPlayer(SoundPlayer& player) {
    m_player = &player;
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
        this, [this, effect] { m_player->play(effect); }, Qt::QueuedConnection);
}

void loadBundledSoundPlayer() {
    const auto create = resolveBundledEntry<VelkorCreateSoundPlayer>(QStringLiteral("velkor_sound"),
                                                                     "velkorCreateSoundPlayer");
    if (!create) {
        return;
    }
    SoundManager& manager = SoundManager::shared();
    // The player is the manager's child, so it lives exactly as long.
    manager.setPlayer(*create(&manager));
}

} // namespace velkor::platform

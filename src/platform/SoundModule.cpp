// The sound module: the one place the program reaches Qt Multimedia, loaded after the window
// first appears (see BundledModule.h).
#include "QSoundEffectPlayer.h"
#include "SoundModuleEntry.h"

extern "C" Q_DECL_EXPORT velkor::platform::SoundPlayer* velkorCreateSoundPlayer(QObject* parent) {
    return new velkor::platform::QSoundEffectPlayer(parent);
}

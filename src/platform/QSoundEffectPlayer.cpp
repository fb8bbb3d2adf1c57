#include "QSoundEffectPlayer.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QMediaDevices>
#include <QSoundEffect>
#include <QUrl>

namespace velkor::platform {

namespace {
Q_LOGGING_CATEGORY(lcSound, "velkor.sound")
}

QSoundEffectPlayer::QSoundEffectPlayer(QObject* parent) : QObject(parent) {
    // The audio back end is gone once the application object is; drop our effects before that,
    // since the shared player outlives main().
    if (QCoreApplication* app = QCoreApplication::instance()) {
        if (!parent) {
            moveToThread(app->thread());
        }
        connect(app, &QCoreApplication::aboutToQuit, this, &QSoundEffectPlayer::releaseAudio);
    }
}

QSoundEffectPlayer::~QSoundEffectPlayer() = default;

void QSoundEffectPlayer::play(SoundEffect effect) {
    if (m_released) {
        return;
    }
    if (!hasAudioOutput()) {
        if (!m_reportedSilence) {
            m_reportedSilence = true;
            qCInfo(lcSound) << "No audio output found; sounds stay silent.";
        }
        return;
    }
    if (QSoundEffect* sound = effectFor(effect)) {
        sound->play();
    }
}

bool QSoundEffectPlayer::hasAudioOutput() {
    if (!m_devices) {
        m_devices = new QMediaDevices(this);
        // A device plugged in (or removed) later is noticed at the next play.
        connect(m_devices, &QMediaDevices::audioOutputsChanged, this,
                [this] { m_hasAudioOutput.reset(); });
    }
    if (!m_hasAudioOutput) {
        m_hasAudioOutput = !QMediaDevices::audioOutputs().isEmpty();
        if (*m_hasAudioOutput) {
            m_reportedSilence = false;
        }
    }
    return *m_hasAudioOutput;
}

QSoundEffect* QSoundEffectPlayer::effectFor(SoundEffect effect) {
    QSoundEffect*& sound = m_effects[static_cast<std::size_t>(effect)];
    if (!sound) {
        sound = new QSoundEffect(this);
        const QString path = resourcePath(effect);
        connect(sound, &QSoundEffect::statusChanged, this, [sound, path] {
            if (sound->status() == QSoundEffect::Error) {
                qCWarning(lcSound) << "Cannot play" << path;
            }
        });
        sound->setSource(QUrl(QStringLiteral("qrc") + path));
    }
    return sound;
}

void QSoundEffectPlayer::releaseAudio() {
    m_released = true;
    for (QSoundEffect*& sound : m_effects) {
        delete sound;
        sound = nullptr;
    }
    delete m_devices;
    m_devices = nullptr;
}

} // namespace velkor::platform

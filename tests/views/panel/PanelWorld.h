#pragma once

// Everything the control panel talks to, made fresh and kept apart from the user's machine: an
// engine registry that finds nothing on its own, silent sounds, no keep-awake lock, English to
// begin with.
#include "automatch/AutomatchManager.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "platform/BundledModule.h"
#include "platform/SleepGuard.h"
#include "platform/SoundManager.h"
#include "platform/SoundPlayer.h"
#include "uci/EngineManager.h"
#include "views/panel/RightPanelView.h"

#include <QFileInfo>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QtGlobal>
#include <memory>

namespace velkor::testing {

inline const QString stockfishPath = QStringLiteral("/usr/games/stockfish");

inline bool stockfishInstalled() {
    return QFileInfo(stockfishPath).isExecutable();
}

#ifdef VELKOR_BUILD_MODULE_DIR
// For the programs beside the tests (screenshots, benchmark): settings and data go into `home`,
// windows onto the offscreen platform unless a real screen is asked for, and the chart comes from
// the build tree's module, since they run outside the bundle. Call it before the application
// object exists.
inline void setUpProgramBesideTheTests(const QTemporaryDir& home) {
    qputenv("XDG_CONFIG_HOME", (home.path() + "/config").toUtf8());
    qputenv("XDG_DATA_HOME", (home.path() + "/data").toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    platform::setBundledModuleFolder(QStringLiteral(VELKOR_BUILD_MODULE_DIR));
}
#endif

class SilentSoundPlayer : public platform::SoundPlayer {
public:
    void play(platform::SoundEffect) override {}
};

class NoSleepBackend : public platform::SleepGuard::Backend {
public:
    void acquire() override {}
    void release() override {}
};

inline EngineManagerEnvironment registryThatFindsNothing() {
    EngineManagerEnvironment environment;
    environment.searchPaths = EngineSearchPaths{};
    return environment;
}

// A Stockfish record that stays light on a shared machine.
inline EngineConfiguration stockfishNamed(const QString& name) {
    EngineConfiguration engine = EngineConfiguration::makeNew(
        name, stockfishPath, QStringLiteral("The Stockfish developers"));
    engine.threads = 1;
    engine.hashMB = 16;
    return engine;
}

struct PanelWorld {
    SilentSoundPlayer player;
    platform::SoundManager sounds{player};
    platform::SoundManager seriesSounds{player};
    EngineManager engines{registryThatFindsNothing()};
    platform::SleepGuard sleepGuard{std::make_unique<NoSleepBackend>()};
    GameManager games{sounds, engines, sleepGuard};
    AutomatchManager automatch{games, engines, seriesSounds};
    LocalizationManager localization{QStringList{QStringLiteral("en")}};
    RightPanelView panel{games, engines, automatch, localization};

    PanelWorld() { panel.resize(panel.sizeHint()); }
};

} // namespace velkor::testing

#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace velkor {

class LocalizationManager;

// Where the shell meets the self-update client: the launch hand-off, the menu's check, the quit
// path that may start a scheduled installation, the update sheet on the main window and the
// bundle's new place after the launch-time rename. Empty entries do nothing (quitting is then
// always allowed).
struct UpdateHooks {
    std::function<void()> handleLaunch;
    std::function<void()> checkForUpdates;
    std::function<bool()> mayQuit;
    std::function<void(QWidget& window, LocalizationManager& localization)> attachSheet;
    std::function<void(const QString& bundlePath)> bundleMoved;
    // The running bundle's folder.
    std::function<QString()> currentBundlePath;
};

// The hooks of the program's update controller (in the update module).
UpdateHooks makeUpdateHooks();

// Loads the update module from the bundle and returns its hooks; empty hooks when the module is
// missing (the reason is logged), so the program runs on without self-update.
UpdateHooks loadBundledUpdateHooks();

} // namespace velkor

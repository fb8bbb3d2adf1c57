#include "UpdateHooks.h"

#include "update/CurrentBundle.h"
#include "update/UpdateController.h"
#include "views/UpdateView.h"

#include <QWidget>

namespace velkor {

UpdateHooks makeUpdateHooks() {
    UpdateController& updates = UpdateController::shared();
    UpdateHooks hooks;
    hooks.handleLaunch = [&updates] { updates.handleLaunch(); };
    hooks.checkForUpdates = [&updates] { updates.checkForUpdates(false); };
    // A scheduled update starts its updater on the way out; when it cannot, the program stays.
    hooks.mayQuit = [&updates] {
        return updates.launchScheduledInstallerIfNeeded() ==
               UpdateController::TerminateReply::terminateNow;
    };
    // The sheet is built the first time it is presented; most launches never show it.
    hooks.attachSheet = [&updates](QWidget& window, LocalizationManager& localization) {
        const auto build = [&updates, &window, &localization] {
            if (updates.isPresented() && !window.findChild<UpdateView*>()) {
                new UpdateView(updates, localization, &window);
            }
        };
        QObject::connect(&updates, &UpdateController::isPresentedChanged, &window, build);
        build();
    };
    hooks.bundleMoved = [](const QString& path) { setCurrentBundlePath(path); };
    hooks.currentBundlePath = [] { return currentBundlePath(); };
    return hooks;
}

} // namespace velkor

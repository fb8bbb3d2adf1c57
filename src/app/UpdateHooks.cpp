#include "UpdateHooks.h"

#include "update/CurrentBundle.h"
#include "update/UpdateController.h"
#include "views/UpdateView.h"

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
    hooks.attachSheet = [&updates](QWidget& window) { new UpdateView(updates, &window); };
    hooks.bundleMoved = [](const QString& path) { setCurrentBundlePath(path); };
    hooks.currentBundlePath = [] { return currentBundlePath(); };
    return hooks;
}

} // namespace velkor

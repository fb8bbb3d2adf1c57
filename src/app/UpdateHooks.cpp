#include "UpdateHooks.h"

#include "LegacyBundleName.h"

#include <QCoreApplication>

namespace velkor {

UpdateHooks makeUpdateHooks() {
    // Without the update client the program only knows where its bundle is.
    UpdateHooks hooks;
    auto bundle = std::make_shared<QString>(
        LegacyBundleName::runningBundlePath(QCoreApplication::applicationDirPath()).value_or(QString()));
    hooks.bundleMoved = [bundle](const QString& path) { *bundle = path; };
    hooks.currentBundlePath = [bundle] { return *bundle; };
    return hooks;
}

} // namespace velkor

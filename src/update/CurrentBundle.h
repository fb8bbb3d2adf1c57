#pragma once

#include <QString>

namespace velkor {

// Where the running application's bundle is. Starts as the bundle around the executable (the
// folder above Contents/MacOS, else the executable's folder) and follows the bundle when the
// launch-time rename moves it. Safe to use from any thread.
QString currentBundlePath();
void setCurrentBundlePath(const QString& path);

// The running application's identity from its bundle's Info.plist: "0.0.0", "0" and no
// identifier when the bundle does not say.
struct RunningApplication {
    QString version;
    QString build;
    QString bundleIdentifier; // empty when unknown
};
RunningApplication runningApplication(const QString& bundlePath = currentBundlePath());

} // namespace velkor

#pragma once

#include "UpdateInfo.h"

#include <QString>

namespace velkor {

// The running application's signing team; throws missingDeveloperSignature when the bundle's
// signature does not verify or names no team (only a signed application may replace itself).
QString runningSigningTeam(const QString& runningBundlePath);

// Proves that the image at `imagePath` holds an application with the running one's identifier,
// exactly `info`'s version and build, and a valid signature by the running application's team.
// The image is attached for the check and always detached again. Blocking; run off the main
// thread. Throws NativeUpdateError.
void preflightDiskImage(const QString& imagePath, const UpdateInfo& info,
                        const QString& runningBundlePath);

} // namespace velkor

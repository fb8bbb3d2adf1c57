#pragma once

#include <QString>

#include <optional>

namespace velkor::LegacyBundleName {

// The bundle's name in earlier releases, and its name now.
inline const QString formerName = QStringLiteral("Brontil Trash.app");
inline const QString currentName = QStringLiteral("Velkor.app");

// The bundle around the running executable (the folder above Contents/MacOS), or none when the
// program does not run from a bundle (a build tree, for example).
std::optional<QString> runningBundlePath(const QString& executableDirectory);

// The folder where update images are unpacked: $XDG_RUNTIME_DIR/velkor-images, or
// /tmp/velkor-images-<uid> without a runtime folder. A bundle inside it runs from an image.
QString imageMountBase();

// Renames a bundle installed under its former name to the current name, in place: only when its
// name is exactly the former name, it does not run from an unpacked image below `mountBase`, and
// nothing named like the current name exists beside it. Gives the new path after a rename; none
// when nothing was done or the rename failed (the program then simply runs from where it is).
std::optional<QString> renameIfNeeded(const QString& bundlePath, const QString& mountBase);

} // namespace velkor::LegacyBundleName

#pragma once

#include <QString>
#include <optional>

namespace velkor::LegacyBundleName {

// The bundle's name in earlier releases, and its name now.
inline const QString formerName = QStringLiteral("Brontil Trash.app");
inline const QString currentName = QStringLiteral("Velkor.app");

// Renames a bundle installed under its former name to the current name, in place: only when its
// name is exactly the former name, it does not run from an unpacked image below `mountBase`, and
// nothing named like the current name exists beside it. `mountBase` is the folder where update
// images are unpacked. Gives the new path after a rename; none
// when nothing was done or the rename failed (the program then simply runs from where it is).
std::optional<QString> renameIfNeeded(const QString& bundlePath, const QString& mountBase);

} // namespace velkor::LegacyBundleName

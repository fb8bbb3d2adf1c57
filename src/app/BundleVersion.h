#pragma once

#include "views/AboutView.h"

#include <QString>

namespace velkor {

// CFBundleShortVersionString and CFBundleVersion from <bundle>/Contents/Info.plist (an XML
// property list); each is missing when the file, the key or a text value for it is.
BundleVersion readBundleVersion(const QString& bundlePath);

} // namespace velkor

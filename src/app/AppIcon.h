#pragma once

#include <QIcon>

namespace velkor {

// The program's icon: a white knight on a dark board square, drawn with the bundled chess font
// (the bundle's Resources/AppIcon.png replaces it where one is installed).
QIcon makeAppIcon();

} // namespace velkor

#pragma once

#include <QIcon>
#include <QImage>

namespace velkor {

// Velkor's icon, painted rather than stored so that every size is drawn crisp from the same
// shapes: a small board with a gold curve rising over it like an evaluation line.
QImage paintAppIcon(int pixelSize);

// The icon at the sizes desktops ask for, for windows and the About window.
QIcon appIcon();

} // namespace velkor

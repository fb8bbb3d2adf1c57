#pragma once

#include "UpdateHooks.h"

class QWidget;

namespace velkor {

// What happens once the program has started and its window is up: a bundle installed under its
// former name takes the current name (and its icon is reloaded from the moved bundle), the window
// comes to the front, and the update client gets its launch hand-off.
void runLaunchSequence(QWidget& window, const UpdateHooks& hooks);

} // namespace velkor

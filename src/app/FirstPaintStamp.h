#pragma once

#include <QString>

class QWidget;

namespace velkor {

// For the start-up benchmark: once `window` has painted for the first time, writes the
// CLOCK_MONOTONIC time in nanoseconds to the file named by $VELKOR_FIRST_PAINT_STAMP. Does nothing
// when the variable is unset.
void stampFirstPaint(QWidget& window);

} // namespace velkor

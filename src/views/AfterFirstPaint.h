#pragma once

#include <chrono>
#include <functional>
#include <optional>

class QWidget;

namespace velkor {

// Runs `action` once, right after `widget` has painted for the first time and the frame is out
// (a zero timer queued from its first paint event runs once that painting pass has ended). Work
// that would hold back the window's first appearance waits here.
//
// With `latest`, the action runs after that long instead when the widget has not painted by then
// (a window started minimised, for example), so the work is never lost. Nothing runs once the
// widget is gone. Of several hooks on one widget, the one installed last runs first.
void runAfterFirstPaint(QWidget& widget, std::function<void()> action,
                        std::optional<std::chrono::milliseconds> latest = std::nullopt);

} // namespace velkor

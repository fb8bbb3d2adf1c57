#pragma once

#include <chrono>
#include <functional>

class QWidget;

namespace velkor {

// Runs `action` once, right after `widget` has painted for the first time and the frame is out
// (a zero timer queued from its first paint event runs once that painting pass has ended).
void runAfterFirstPaint(QWidget& widget, std::function<void()> action);

// Runs `action` once: after the first paint as above, or after `latest` when the widget has not
// painted by then (a window started minimised, for example), so the work is never lost.
void runAfterFirstPaintOrAfter(QWidget& widget, std::chrono::milliseconds latest,
                               std::function<void()> action);

} // namespace velkor

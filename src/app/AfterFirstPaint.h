#pragma once

#include <functional>

class QWidget;

namespace velkor {

// Runs `action` once, right after `widget` has painted for the first time and the frame is out
// (a zero timer queued from its first paint event runs once that painting pass has ended).
void runAfterFirstPaint(QWidget& widget, std::function<void()> action);

} // namespace velkor

#include "ScrollWheelGuard.h"

#include <QAbstractScrollArea>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QScrollBar>
#include <QWheelEvent>

namespace velkor {
namespace {

// The controls whose value a stray wheel turn would change. A scroll bar is a slider too, but
// turning the wheel over it is scrolling.
bool isValueControl(const QWidget* widget) {
    if (qobject_cast<const QScrollBar*>(widget)) {
        return false;
    }
    return qobject_cast<const QAbstractSlider*>(widget) || qobject_cast<const QComboBox*>(widget) ||
           qobject_cast<const QAbstractSpinBox*>(widget);
}

// The value control `widget` is or belongs to (the text field inside a spin box, for one).
QWidget* valueControlOf(QWidget* widget) {
    for (QWidget* candidate = widget; candidate && !candidate->isWindow();
         candidate = candidate->parentWidget()) {
        if (isValueControl(candidate)) {
            return candidate;
        }
    }
    return nullptr;
}

bool holdsFocus(const QWidget* control) {
    const QWidget* focused = QApplication::focusWidget();
    return focused && (focused == control || control->isAncestorOf(focused));
}

QAbstractScrollArea* scrollAreaAround(QWidget* widget) {
    for (QWidget* parent = widget->parentWidget(); parent && !parent->isWindow();
         parent = parent->parentWidget()) {
        if (auto* area = qobject_cast<QAbstractScrollArea*>(parent)) {
            return area;
        }
    }
    return nullptr;
}

} // namespace

void ScrollWheelGuard::install() {
    static ScrollWheelGuard* installed = nullptr;
    if (installed || !qApp) {
        return;
    }
    installed = new ScrollWheelGuard(qApp);
    qApp->installEventFilter(installed);
}

bool ScrollWheelGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Polish) {
        // A spin box or drop-down takes the focus from the wheel itself (Qt::WheelFocus), which
        // would let the first stray turn through; a click or the tab key still gives it.
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && isValueControl(widget) && widget->focusPolicy() == Qt::WheelFocus) {
            widget->setFocusPolicy(Qt::StrongFocus);
        }
        return false;
    }
    if (event->type() != QEvent::Wheel || !watched->isWidgetType()) {
        return false;
    }
    QWidget* control = valueControlOf(static_cast<QWidget*>(watched));
    if (!control || holdsFocus(control)) {
        return false;
    }
    auto* wheel = static_cast<QWheelEvent*>(event);
    if (QAbstractScrollArea* area = scrollAreaAround(control)) {
        QWidget* viewport = area->viewport();
        const QPointF position = viewport->mapFromGlobal(wheel->globalPosition());
        QWheelEvent forwarded(position, wheel->globalPosition(), wheel->pixelDelta(),
                              wheel->angleDelta(), wheel->buttons(), wheel->modifiers(),
                              wheel->phase(), wheel->inverted(), wheel->source());
        QCoreApplication::sendEvent(viewport, &forwarded);
    }
    // Taken either way: outside a scroll area the turn simply does nothing.
    wheel->accept();
    return true;
}

} // namespace velkor

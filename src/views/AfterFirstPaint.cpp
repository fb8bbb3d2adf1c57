#include "AfterFirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <utility>

namespace velkor {
namespace {

// Lives as the widget's child, so its timers and its action die with the widget.
class FirstPaintWatcher : public QObject {
public:
    FirstPaintWatcher(QWidget& widget, std::function<void()> action,
                      std::optional<std::chrono::milliseconds> latest)
        : QObject(&widget), m_widget(widget), m_action(std::move(action)) {
        widget.installEventFilter(this);
        if (latest) {
            QTimer::singleShot(*latest, this, [this] { fire(); });
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The children paint and the frame is flushed in the same pass, after this event.
            QTimer::singleShot(0, this, [this] { fire(); });
        }
        return false;
    }

private:
    // The first of the paint and the deadline wins; the other finds nothing left to run.
    void fire() {
        if (!m_action) {
            return;
        }
        m_widget.removeEventFilter(this);
        const auto action = std::exchange(m_action, nullptr);
        deleteLater();
        action();
    }

    QWidget& m_widget;
    std::function<void()> m_action;
};

} // namespace

void runAfterFirstPaint(QWidget& widget, std::function<void()> action,
                        std::optional<std::chrono::milliseconds> latest) {
    new FirstPaintWatcher(widget, std::move(action), latest);
}

} // namespace velkor

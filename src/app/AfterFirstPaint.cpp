#include "AfterFirstPaint.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <memory>
#include <utility>

namespace velkor {
namespace {

class FirstPaintWatcher : public QObject {
public:
    FirstPaintWatcher(QWidget& widget, std::function<void()> action)
        : QObject(&widget), m_action(std::move(action)) {
        widget.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The children paint and the frame is flushed in the same pass, after this event.
            QTimer::singleShot(0, this, [this] {
                m_action();
                deleteLater();
            });
        }
        return false;
    }

private:
    std::function<void()> m_action;
};

} // namespace

void runAfterFirstPaint(QWidget& widget, std::function<void()> action) {
    new FirstPaintWatcher(widget, std::move(action));
}

void runAfterFirstPaintOrAfter(QWidget& widget, std::chrono::milliseconds latest,
                               std::function<void()> action) {
    auto pending = std::make_shared<std::function<void()>>(std::move(action));
    const auto once = [pending] {
        if (*pending) {
            std::exchange(*pending, nullptr)();
        }
    };
    runAfterFirstPaint(widget, once);
    QTimer::singleShot(latest, &widget, once);
}

} // namespace velkor

#include "FirstPaintStamp.h"

#include <QEvent>
#include <QFile>
#include <QObject>
#include <QTimer>
#include <QWidget>

#include <ctime>

namespace velkor {
namespace {

class FirstPaintWatcher : public QObject {
public:
    FirstPaintWatcher(QWidget& window, QString path) : QObject(&window), m_path(std::move(path)) {
        window.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // The children paint and the frame is flushed in the same pass, after this event;
            // a zero timer fires once that pass has ended.
            QTimer::singleShot(0, this, [this] { write(); });
        }
        return false;
    }

private:
    void write() {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 nanoseconds = static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
        QFile file(m_path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(QByteArray::number(nanoseconds) + '\n');
        }
        deleteLater();
    }

    QString m_path;
};

} // namespace

void stampFirstPaint(QWidget& window) {
    const QString path = qEnvironmentVariable("VELKOR_FIRST_PAINT_STAMP");
    if (!path.isEmpty()) {
        new FirstPaintWatcher(window, path);
    }
}

} // namespace velkor

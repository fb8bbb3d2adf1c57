#include "FirstPaintStamp.h"

#include "AfterFirstPaint.h"

#include <QFile>
#include <ctime>

namespace velkor {

void stampFirstPaint(QWidget& window) {
    const QString path = qEnvironmentVariable("VELKOR_FIRST_PAINT_STAMP");
    if (path.isEmpty()) {
        return;
    }
    runAfterFirstPaint(window, [path] {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 nanoseconds = static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(QByteArray::number(nanoseconds) + '\n');
        }
    });
}

} // namespace velkor

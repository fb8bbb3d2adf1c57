// Writes Velkor's icon as PNG files in the hicolor layout a desktop reads:
// OUTDIR/<N>x<N>/apps/velkor.png for each size.
#include "views/AppIcon.h"

#include <QDir>
#include <QGuiApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    // Painting into an image needs no screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    QTextStream err(stderr);
    if (argc != 2) {
        err << "usage: velkor-icon OUTDIR\n";
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    for (const int size : {16, 24, 32, 48, 64, 128, 256, 512}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(outDir).arg(size);
        if (!QDir().mkpath(folder) ||
            !velkor::paintAppIcon(size).save(folder + QStringLiteral("/velkor.png"))) {
            err << "cannot write the icon into " << folder << "\n";
            return 1;
        }
    }
    return 0;
}

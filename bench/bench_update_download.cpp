// Memory of an update download: a loopback HTTPS server streams an image of 1 MB and then one of
// 100 MB (or the sizes given in megabytes) through the application's whole download path
// (streamed to disk, size check, SHA-256, move, image check), and the program prints the wall time
// and the process's peak resident memory after each. Peak memory must not grow with the size:
// the download is never held in memory.
#include "LoopbackHttpsServer.h"
#include "TestCertificate.h"
#include "bundle/FileDigest.h"
#include "update/UpdateService.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <qcoro/qcorotask.h>
#include <string>

namespace {

// A kilobyte figure from /proc/self/status ("VmHWM:" is the peak resident set).
long statusKilobytes(const char* key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stol(line.substr(std::string(key).size()));
        }
    }
    return -1;
}

QString writeImage(const QString& path, qint64 megabytes) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    QByteArray piece(1 << 20, '\0');
    for (qint64 i = 0; i < megabytes; ++i) {
        for (int j = 0; j < piece.size(); j += 4096) {
            piece[j] = static_cast<char>(i + j); // not all zeros, so nothing compresses it away
        }
        file.write(piece);
    }
    return path;
}

QCoro::Task<> run(QStringList sizes) {
    QTemporaryDir folder;
    QString error;
    const auto certificate = velkor::testing::TestCertificate::make(folder.path(), &error);
    velkor::testing::LoopbackHttpsServer server(certificate);
    velkor::UpdateServiceOptions options;
    options.feedURL = server.url("/updates/Velkor/appcast.json");
    options.trustedCertificates = QList<QSslCertificate>{certificate.certificate};
    options.locations = {folder.path() + "/caches", folder.path() + "/support"};
    velkor::UpdateService service(options);

    std::printf("%10s %10s %12s %14s  %s\n", "image MB", "seconds", "MB/s", "peak RSS kB",
                "outcome");
    for (const QString& size : sizes) {
        const qint64 megabytes = size.toLongLong();
        const QString image = writeImage(folder.path() + "/image-" + size, megabytes);
        server.setRoute("/image-" + size, velkor::testing::Route{200, {}, image, {}, false});
        velkor::UpdateInfo info{
            QString("9.%1").arg(size),
            size,
            QFileInfo(image).size(),
            QString::fromStdString(velkor::bundle::sha256OfFile(image.toStdString())),
            QUrl(server.url("/image-" + size)),
            {},
            {},
            {}};
        QElapsedTimer timer;
        timer.start();
        QString outcome = "prepared";
        try {
            QCoro::Task<velkor::PreparedUpdate> preparing = service.prepareForInstallation(info);
            co_await std::move(preparing);
        } catch (const std::exception& failure) {
            // This program is no signed application, so the checks after the download (size and
            // digest passed) refuse to go on: expected here, the download is what is measured.
            outcome = failure.what();
        }
        const double seconds = static_cast<double>(timer.nsecsElapsed()) * 1e-9;
        std::printf("%10lld %10.2f %12.1f %14ld  %s\n", megabytes, seconds,
                    static_cast<double>(megabytes) / seconds, statusKilobytes("VmHWM:"),
                    outcome.toUtf8().constData());
        std::fflush(stdout);
        QFile::remove(image);
    }
    QCoreApplication::quit();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList sizes = app.arguments().mid(1);
    if (sizes.isEmpty()) {
        sizes = {"1", "100"};
    }
    QTimer::singleShot(0, [&] { run(sizes); });
    return app.exec();
}

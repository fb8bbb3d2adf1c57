#include "CurrentBundle.h"

#include "base/DomainError.h"
#include "bundle/ApplicationMetadata.h"

#include <QCoreApplication>
#include <QDir>
#include <QMutex>
#include <QMutexLocker>
#include <optional>

namespace velkor {
namespace {

QMutex bundleMutex;
std::optional<QString> bundleOverride;

QString bundleAroundExecutable() {
    QDir dir(QCoreApplication::applicationDirPath());
    if (dir.dirName() == u"MacOS" && dir.cdUp() && dir.dirName() == u"Contents" && dir.cdUp()) {
        return dir.absolutePath();
    }
    return QCoreApplication::applicationDirPath();
}

} // namespace

QString currentBundlePath() {
    const QMutexLocker lock(&bundleMutex);
    return bundleOverride ? *bundleOverride : bundleAroundExecutable();
}

void setCurrentBundlePath(const QString& path) {
    const QMutexLocker lock(&bundleMutex);
    bundleOverride = path;
}

RunningApplication runningApplication(const QString& bundlePath) {
    try {
        const bundle::ApplicationMetadata metadata =
            bundle::readApplicationMetadata(bundlePath.toStdString());
        return {QString::fromStdString(metadata.version), QString::fromStdString(metadata.build),
                QString::fromStdString(metadata.identifier)};
    } catch (const DomainError&) {
        // A build tree or a damaged bundle still runs; it just never looks current.
        return {QStringLiteral("0.0.0"), QStringLiteral("0"), QString()};
    }
}

} // namespace velkor

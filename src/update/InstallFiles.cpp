#include "InstallFiles.h"

#include <QDir>
#include <QStandardPaths>

namespace velkor {

UpdateLocations UpdateLocations::standard() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation),
            QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)};
}

QString UpdateLocations::downloadDirectory(const QString& version, const QString& build) const {
    return cachesRoot + QStringLiteral("/com.tamsel.brontil/Updates/%1-%2").arg(version, build);
}

QString UpdateLocations::imageFileName(const QString& version, const QString& build) {
    return QStringLiteral("Velkor-%1-%2.dmg").arg(version, build);
}

QString UpdateLocations::statusFilePath() const {
    const QString folder = applicationSupport + QStringLiteral("/com.tamsel.brontil/Updates");
    QDir().mkpath(folder);
    return folder + QStringLiteral("/last-install.json");
}

} // namespace velkor

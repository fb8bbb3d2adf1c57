#include "InstallFiles.h"

#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace velkor {

QByteArray UpdateInstallPlan::encode() const {
    const QJsonObject object{
        {"dmgPath", dmgPath},
        {"targetAppPath", targetAppPath},
        {"expectedBundleIdentifier", expectedBundleIdentifier},
        {"expectedTeamIdentifier", expectedTeamIdentifier},
        {"expectedVersion", expectedVersion},
        {"expectedBuild", expectedBuild},
        {"expectedSHA256", expectedSHA256},
        {"statusPath", statusPath},
    };
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

std::optional<UpdateInstallResult> UpdateInstallResult::decode(const QByteArray& json) {
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject()) {
        return std::nullopt;
    }
    const QJsonObject object = document.object();
    const QJsonValue succeeded = object.value("succeeded");
    const QJsonValue message = object.value("message");
    const QJsonValue version = object.value("version");
    if (!succeeded.isBool() || !message.isString() || !version.isString()) {
        return std::nullopt;
    }
    return UpdateInstallResult{succeeded.toBool(), message.toString(), version.toString()};
}

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

#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

namespace velkor {

// What the updater program is told to install: written by the application as install-plan.json.
struct UpdateInstallPlan {
    QString dmgPath;
    QString targetAppPath;
    QString expectedBundleIdentifier;
    QString expectedTeamIdentifier;
    QString expectedVersion;
    QString expectedBuild;
    QString expectedSHA256;
    QString statusPath;

    QByteArray encode() const;
    friend bool operator==(const UpdateInstallPlan&, const UpdateInstallPlan&) = default;
};

// What the updater program reports about its run, read at the next launch.
struct UpdateInstallResult {
    bool succeeded = false;
    QString message;
    QString version;

    // None unless `json` is an object with the three keys of the right types.
    static std::optional<UpdateInstallResult> decode(const QByteArray& json);
    friend bool operator==(const UpdateInstallResult&, const UpdateInstallResult&) = default;
};

// Where one update's files live, below the user's cache and data folders.
struct UpdateLocations {
    QString cachesRoot;         // ~/.cache unless a test says otherwise
    QString applicationSupport; // ~/.local/share unless a test says otherwise

    static UpdateLocations standard();

    // <caches>/com.tamsel.brontil/Updates/<version>-<build>/
    QString downloadDirectory(const QString& version, const QString& build) const;
    static QString imageFileName(const QString& version, const QString& build);
    // <support>/com.tamsel.brontil/Updates/last-install.json; its folder is created (failures are
    // left to the writer to notice).
    QString statusFilePath() const;
};

inline constexpr const char* updaterFileName = "BrontilTrashUpdater";
inline constexpr const char* planFileName = "install-plan.json";

} // namespace velkor

#pragma once

#include <QString>
#include <optional>

namespace velkor {

// What the updater program reported about its run, read at the next launch (the file's format
// lives in the bundle library, which the updater shares).
struct UpdateInstallResult {
    bool succeeded = false;
    QString message;
    QString version;

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

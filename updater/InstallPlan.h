#pragma once

#include <filesystem>
#include <string>

namespace velkor::updater {

// What the application asks the updater to do; written by the application as install-plan.json.
struct InstallPlan {
    std::string dmgPath;
    std::string targetAppPath;
    std::string expectedBundleIdentifier;
    std::string expectedTeamIdentifier;
    std::string expectedVersion;
    std::string expectedBuild;
    std::string expectedSHA256;
    std::string statusPath;

    bool operator==(const InstallPlan&) const = default;
};

// What the updater leaves for the application's next launch.
struct InstallStatus {
    bool succeeded = false;
    std::string message;
    std::string version;

    bool operator==(const InstallStatus&) const = default;
};

// One JSON object with the eight keys, each a string; other keys are ignored. Throws DomainError
// (domain "BrontilTrashUpdater.Plan") with a description of what is wrong.
InstallPlan decodeInstallPlan(const std::string& json);
InstallPlan readInstallPlan(const std::filesystem::path& file);
std::string encodeInstallPlan(const InstallPlan& plan);

// Compact JSON with "succeeded", "message", "version" in that order.
std::string encodeInstallStatus(const InstallStatus& status);
InstallStatus decodeInstallStatus(const std::string& json);

// Creates the missing parent folders, writes a temporary file beside `file`, flushes it to the disk
// and renames it over `file`, so a reader sees the whole new status or the old one. Throws
// DomainError with the system's reason.
void writeInstallStatus(const std::filesystem::path& file, const InstallStatus& status);

} // namespace velkor::updater

#pragma once

#include "bundle/InstallRecovery.h"

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

// What the updater leaves for the application's next launch; the format lives with the
// recovery that the application runs at its start.
using bundle::encodeInstallStatus;
using bundle::InstallStatus;
using bundle::writeInstallStatus;

// One JSON object with the eight keys, each a string; other keys are ignored. Throws DomainError
// (domain "BrontilTrashUpdater.Plan") with a description of what is wrong.
InstallPlan decodeInstallPlan(const std::string& json);
InstallPlan readInstallPlan(const std::filesystem::path& file);
std::string encodeInstallPlan(const InstallPlan& plan);

// The status file's text; throws DomainError when it is not a valid status.
InstallStatus decodeInstallStatus(const std::string& json);

} // namespace velkor::updater

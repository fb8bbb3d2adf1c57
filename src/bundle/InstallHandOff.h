#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The two files the application and the updater program hand each other: the install plan the
// application writes before it quits, and the status the updater leaves for the next launch. Both
// sides read and write them through these functions only, so the formats cannot drift apart.
namespace velkor::bundle {

// What the application asks the updater to do (install-plan.json beside the downloaded image).
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

// Failures to read a plan are velkor::DomainError in this domain, code 1, with a description.
inline constexpr const char* installPlanErrorDomain = "BrontilTrashUpdater.Plan";
// A plan is a few hundred bytes; a larger file is not one.
inline constexpr std::size_t maxInstallPlanBytes = 1 << 20;

// One JSON object with the eight keys in byte order, indented by four spaces, ending in a line
// feed: the text earlier versions of the application wrote, so an updater of either age reads
// it. Bytes that are not UTF-8 become U+FFFD instead of failing the write.
std::string encodeInstallPlan(const InstallPlan& plan);
// One JSON object with the eight keys, each a string; other keys are ignored. Throws DomainError
// (installPlanErrorDomain) saying what is wrong.
InstallPlan decodeInstallPlan(std::string_view json);
// The file's text, decoded as above; a missing, unreadable or oversized file throws likewise.
InstallPlan readInstallPlan(const std::filesystem::path& file);

// The status an update leaves for the application's next launch (the file the updater writes,
// and the application at its start when it puts right what a killed updater left).
struct InstallStatus {
    bool succeeded = false;
    std::string message; // one line
    std::string version; // the version the update was installing

    bool operator==(const InstallStatus&) const = default;
};

// A status is a short line; the reader looks at no more than this.
inline constexpr std::size_t maxInstallStatusBytes = 1 << 20;

// Compact JSON with "succeeded", "message" and "version", in that order.
std::string encodeInstallStatus(const InstallStatus& status);
// None unless `json` is an object with the three keys of the right types. Raw control characters
// inside its strings are taken as they are, as the application has always read the file.
std::optional<InstallStatus> readInstallStatus(std::string_view json);
// Written atomically (writeFileAtomically): the whole new status or the old one. Throws
// fileSystem with the system's reason.
void writeInstallStatus(const std::filesystem::path& file, const InstallStatus& status);

} // namespace velkor::bundle

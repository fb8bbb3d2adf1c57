#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace velkor::bundle {

// What Contents/Info.plist says about an application bundle.
struct ApplicationMetadata {
    std::string identifier;                // CFBundleIdentifier
    std::string version;                   // CFBundleShortVersionString
    std::string build;                     // CFBundleVersion
    std::optional<std::string> executable; // CFBundleExecutable, when it is text

    bool operator==(const ApplicationMetadata&) const = default;
};

// Reads <bundle>/Contents/Info.plist (XML or binary property list).
// Throws DomainError: fileSystem (cannot read, with the system's words), invalidPropertyList
// (not a property list), invalidMetadata "Info.plist has invalid metadata." (not a dictionary, or
// one of the three required keys is missing or not text).
ApplicationMetadata readApplicationMetadata(const std::filesystem::path& bundle);

// Writes an XML Info.plist with the four keys (executable only when present), creating
// Contents/. Used by test fixtures and tools that assemble bundles. Throws fileSystem.
void writeInfoPlist(const std::filesystem::path& bundle, const ApplicationMetadata& metadata);

// The bundle's main executable: Contents/MacOS/<CFBundleExecutable>. Throws like
// readApplicationMetadata, and invalidMetadata when CFBundleExecutable is absent, empty or not a
// plain file name.
std::filesystem::path mainExecutable(const std::filesystem::path& bundle);

// The first application bundle (folder whose extension, lower-cased, is "app") under `volume`
// whose identifier is `identifier`, enumerating recursively in name order, skipping hidden
// entries (names starting with '.') and not descending into bundles. Bundles whose metadata
// cannot be read are skipped. Throws fileSystem when the volume cannot be enumerated.
std::optional<std::filesystem::path> findApplication(const std::filesystem::path& volume,
                                                     const std::string& identifier);

} // namespace velkor::bundle

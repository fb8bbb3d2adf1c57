#pragma once

#include "bundle/ApplicationMetadata.h"
#include "bundle/BundleSignature.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <vector>

namespace velkor::bundle::testing {

// One entry of a hand-made archive image, for images our own packer would never write.
struct ArchiveEntry {
    // sparseFile: `content` is the only data, placed at the end of a 1 GiB file of holes.
    enum class Kind { file, sparseFile, folder, link, hardLink, characterDevice, fifo };
    ArchiveEntry(std::string entryPath, Kind entryKind = Kind::file, std::string entryContent = {},
                 std::string entryLinkTarget = {}, unsigned entryMode = 0644)
        : path(std::move(entryPath)), kind(entryKind), content(std::move(entryContent)),
          linkTarget(std::move(entryLinkTarget)), mode(entryMode) {}

    std::string path;
    Kind kind = Kind::file;
    std::string content;    // files
    std::string linkTarget; // links
    unsigned mode = 0644;
};

void writeArchive(const std::filesystem::path& image, const std::vector<ArchiveEntry>& entries);
std::string readFile(const std::filesystem::path& file);
void writeFile(const std::filesystem::path& file, const std::string& content);

// A private folder per test, with its own mount base (XDG_RUNTIME_DIR), two throw-away signing
// keys and builders for signed bundles whose executable is the stand-in application.
class BundleFixture : public ::testing::Test {
public:
    void SetUp() override;
    void TearDown() override;

    struct BundleSpec {
        std::string identifier = "com.tamsel.brontil";
        std::string version = "2.1";
        std::string build = "57";
        bool executable = true; // the stand-in keeps its execute permission
    };

    // <folder>/<name> with Info.plist, MacOS/velkor, Resources/marker.txt ("<version>-<build>"),
    // Resources/Current (a link to marker.txt) and an empty Helpers/BrontilTrashUpdater; signed
    // with `key` when given.
    std::filesystem::path makeBundle(const std::filesystem::path& bundle, const BundleSpec& spec,
                                     const SigningKey* key);
    // The bundle packed as <root>/images/<name>.dmg.
    std::filesystem::path makeImage(const std::filesystem::path& bundle, const std::string& name);

    // Folders left in the mount base (attached and never detached images).
    std::vector<std::filesystem::path> attachedFolders() const;

    std::filesystem::path root;
    std::filesystem::path standInLog;
    SigningKey signer = SigningKey::generate();
    SigningKey otherSigner = SigningKey::generate();
};

} // namespace velkor::bundle::testing

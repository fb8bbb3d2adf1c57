// Bad luck and hostile names: full disks, file-size limits, control characters in entry names,
// and what killed processes leave behind.
#include "BundleTestSupport.h"
#include "bundle/ArchiveImage.h"
#include "bundle/BundleError.h"
#include "bundle/FileLock.h"
#include "bundle/FileTree.h"
#include "bundle/InstallRecovery.h"
#include "bundle/MessageText.h"
#include "bundle/MountBase.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velkor::bundle::testing {
namespace {

namespace fs = std::filesystem;
using Kind = ArchiveEntry::Kind;

using SafetyTest = BundleFixture;

// A file-size limit for this process while it lives, as a full disk would stop writes: with
// SIGXFSZ ignored, a write past it fails with EFBIG, after a short write that says nothing.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_previous.rlim_max};
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }

private:
    rlimit m_previous{};
    void (*m_handler)(int) = SIG_DFL;
};

TEST_F(SafetyTest, ControlCharactersInNamesAreWrittenOutAndMessagesStayOneLine) {
    EXPECT_EQ(escapeControlCharacters("a\nb\rc\td\x1b[31m\x7f"), "a\\nb\\rc\\td\\x1B[31m\\x7F");
    EXPECT_EQ(escapeControlCharacters("next\xC2\x85line\xE2\x80\xA8sep\xE2\x80\xA9"),
              "next\\u0085line\\u2028sep\\u2029");
    // Ordinary text, other languages and invalid bytes stay as they are; a second pass changes
    // nothing.
    const std::string kept = "Réglages – ♞ C:\\path \xFF";
    EXPECT_EQ(escapeControlCharacters(kept), kept);
    const std::string once = escapeControlCharacters("x\ny");
    EXPECT_EQ(escapeControlCharacters(once), once);

    const fs::path image = root / "forged.dmg";
    writeArchive(image, {{"Velkor.app", Kind::folder, "", "", 0755},
                         {"Velkor.app/x\nBrontilTrashUpdater: all is well", Kind::fifo}});
    try {
        attachImage(image);
        ADD_FAILURE() << "attached";
    } catch (const DomainError& error) {
        EXPECT_EQ(error.message(), "The entry Velkor.app/x\\nBrontilTrashUpdater: all is well is "
                                   "a device file, pipe or socket.");
    }
    EXPECT_TRUE(attachedFolders().empty());
}

// A write that the disk or a limit stops is reported with the system's reason, not with whatever
// an earlier call left in errno, and nothing is left half-unpacked.
TEST_F(SafetyTest, UnpackingPastAFileSizeLimitSaysWhyAndLeavesNothing) {
    const fs::path image = root / "big.dmg";
    writeArchive(image, {{"Velkor.app", Kind::folder, "", "", 0755},
                         {"Velkor.app/Contents/big", Kind::file, std::string(300'000, 'z')}});
    try {
        const FileSizeLimit limit(100'000);
        attachImage(image);
        ADD_FAILURE() << "attached";
    } catch (const DomainError& error) {
        EXPECT_TRUE(isBundleError(error, BundleErrorCode::invalidImage));
        EXPECT_EQ(error.message(), "Could not unpack Velkor.app/Contents/big: File too large");
    }
    EXPECT_TRUE(attachedFolders().empty());
}

// The status file and anything else written whole: a failed write leaves the old text untouched
// and nothing beside it, and says why.
TEST_F(SafetyTest, AtomicWritesKeepTheOldTextWhenTheyFail) {
    const fs::path file = root / "support/Updates/last-install.json";
    writeFileAtomically(file, "old");
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, fs::perms(0644));
    try {
        const FileSizeLimit limit(1000);
        writeFileAtomically(file, std::string(5000, 'n'));
        ADD_FAILURE() << "written";
    } catch (const DomainError& error) {
        EXPECT_EQ(error.message(), "Could not write " + file.string() + ": File too large");
    }
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()),
              1);

    const fs::path folderInTheWay = root / "support/taken";
    fs::create_directories(folderInTheWay / "child");
    EXPECT_THROW(writeFileAtomically(folderInTheWay, "x"), DomainError);
    EXPECT_TRUE(fs::is_directory(folderInTheWay / "child"));

    writeInstallStatus(file, {true, "Velkor was updated to version 2.1 (build 57).", "2.1"});
    EXPECT_EQ(
        readFile(file),
        R"({"succeeded":true,"message":"Velkor was updated to version 2.1 (build 57).","version":"2.1"})");
    EXPECT_EQ(readInstallStatus(readFile(file))->version, "2.1");
    EXPECT_FALSE(readInstallStatus(R"({"succeeded":"yes","message":"m","version":"v"})"));
}

// Only images whose process has gone are removed: one attached here stays, one left by a killed
// process goes, and nothing outside the mount base is touched.
TEST_F(SafetyTest, OnlyAbandonedImagesAreRemoved) {
    const fs::path bundle = makeBundle(root / "Velkor.app", {}, &signer);
    const AttachedImage inUse(makeImage(bundle, "in-use"));
    const fs::path abandoned = ensureMountBase() / "image-Ab4nd0";
    fs::create_directories(abandoned / "Velkor.app/Contents");
    fs::permissions(abandoned / "Velkor.app", fs::perms(0555));
    fs::create_directories(ensureMountBase() / "other");

    EXPECT_EQ(removeAbandonedImages(), std::vector<fs::path>{abandoned});
    EXPECT_TRUE(fs::exists(inUse.mountPoint() / "Velkor.app/Contents/Info.plist"));
    EXPECT_TRUE(fs::exists(ensureMountBase() / "other"));
    EXPECT_FALSE(fs::exists(abandoned));
}

// What a killed install leaves, read the way the next start reads it.
TEST_F(SafetyTest, RecoveryRestoresTheNewestBackupOnlyWhenTheTargetIsGone) {
    const fs::path folder = root / "Applications";
    const fs::path target = folder / "Velkor.app";
    makeBundle(folder / ".brontil-trash-backup-OLDER.app", {.version = "0.9", .build = "1"},
               &signer);
    // Made elsewhere and moved in after the older one: the newer change time.
    makeBundle(folder / "made.app", {.version = "1.0", .build = "1"}, &signer);
    fs::rename(folder / "made.app", folder / ".brontil-trash-backup-NEWER.app");
    makeBundle(folder / ".brontil-trash-update-NEW.app", {}, &signer);
    writeFile(folder / ".brontil-trash-backup-FILE.app", "not a bundle");
    writeFile(folder / "unrelated.txt", "kept");

    const InterruptedInstall restored = recoverInterruptedInstall(target);
    EXPECT_TRUE(restored.restoredBackup);
    ASSERT_TRUE(restored.installed);
    EXPECT_EQ(restored.installed->version, "1.0");
    EXPECT_EQ(restored.removed.size(), 3u);
    EXPECT_EQ(recoveryStatus(restored, "2.1")->message,
              "Velkor update was interrupted; the previous version 1.0 (build 1) was restored.");
    EXPECT_TRUE(fs::exists(folder / "unrelated.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);

    // Nothing at the target and nothing to bring back: the leftovers are all there is, so they
    // stay, and the status says what to do.
    bundle::removeTree(target);
    makeBundle(folder / ".brontil-trash-update-PARTIAL.app", {}, nullptr);
    const InterruptedInstall missing = recoverInterruptedInstall(target);
    EXPECT_TRUE(missing.targetMissing);
    EXPECT_TRUE(fs::exists(folder / ".brontil-trash-update-PARTIAL.app"));
    EXPECT_FALSE(recoveryStatus(missing, "2.1")->succeeded);

    // A tidy folder: nothing found, nothing written.
    bundle::removeTree(folder / ".brontil-trash-update-PARTIAL.app");
    makeBundle(target, {}, &signer);
    EXPECT_FALSE(recoverAtStart(target, root / "status.json"));
    EXPECT_FALSE(fs::exists(root / "status.json"));
}

} // namespace
} // namespace velkor::bundle::testing

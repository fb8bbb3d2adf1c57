#include "BundleTestSupport.h"
#include "bundle/ArchiveImage.h"
#include "bundle/BundleError.h"
#include "bundle/ChildProcess.h"
#include "bundle/FileDigest.h"
#include "bundle/FileTree.h"
#include "bundle/MountBase.h"

#include <sys/stat.h>
#include <unistd.h>

namespace velkor::bundle::testing {
namespace {

namespace fs = std::filesystem;
using Kind = ArchiveEntry::Kind;

using ImageTest = BundleFixture;

struct HostileImage {
    const char* name;
    std::vector<ArchiveEntry> entries;
    const char* reason;
};

// Images we would never pack, as an attacker would: each is refused with a reason naming the
// entry, nothing outside the mount base is written, and nothing stays attached.
TEST_F(ImageTest, RefusesHostileArchivesAndLeavesNothingBehind) {
    const ArchiveEntry top{"Velkor.app", Kind::folder, "", "", 0755};
    const std::vector<HostileImage> rows = {
        {"absolute path",
         {top, {"/tmp/velkor-owned", Kind::file, "x"}},
         "The entry /tmp/velkor-owned has an absolute path."},
        {"parent folder",
         {top, {"Velkor.app/../../velkor-owned", Kind::file, "x"}},
         "The entry Velkor.app/../../velkor-owned leads out of the image with \"..\"."},
        {"device file",
         {top, {"Velkor.app/null", Kind::characterDevice}},
         "The entry Velkor.app/null is a device file, pipe or socket."},
        {"pipe",
         {top, {"Velkor.app/fifo", Kind::fifo}},
         "The entry Velkor.app/fifo is a device file, pipe or socket."},
        {"absolute link",
         {top, {"Velkor.app/etc", Kind::link, "", "/etc"}},
         "The link Velkor.app/etc leads out of the image."},
        {"relative link out",
         {top, {"Velkor.app/up", Kind::link, "", "../../.."}},
         "The link Velkor.app/up leads out of the image."},
        // Read lexically "here/.." stays inside; followed, "here" is the image root and ".."
        // leaves it.
        {"link out through another link",
         {top, {"here", Kind::link, "", "."}, {"Velkor.app/out", Kind::link, "", "../here/.."}},
         "The link Velkor.app/out leads out of the image."},
        {"writing through a link",
         {top, {"Velkor.app/inner", Kind::link, "", "."}, {"Velkor.app/inner/x", Kind::file, "x"}},
         "The entry Velkor.app/inner/x lies below Velkor.app/inner, which is not a folder."},
        {"hard link",
         {top, {"Velkor.app/h", Kind::hardLink, "", "/etc/passwd"}},
         "The entry Velkor.app/h is a hard link."},
        {"duplicate entry",
         {top, {"Velkor.app/a", Kind::file, "1"}, {"Velkor.app/a", Kind::file, "2"}},
         "The entry Velkor.app/a appears twice."},
        {"larger than the cap",
         {top, {"Velkor.app/big", Kind::file, std::string(5000, 'z')}},
         "The image unpacks to more than 4096 bytes."},
        {"sparse file far beyond the cap",
         {top, {"Velkor.app/holes", Kind::sparseFile, std::string(100, 'h')}},
         "The image unpacks to more than 4096 bytes."},
        {"cap reached over several files",
         {top,
          {"Velkor.app/a", Kind::file, std::string(3000, 'a')},
          {"Velkor.app/b", Kind::file, std::string(3000, 'b')}},
         "The image unpacks to more than 4096 bytes."},
    };
    const ImageLimits limits{4096, 100};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path image = root / (std::string(row.name) + ".dmg");
        writeArchive(image, row.entries);
        try {
            attachImage(image, limits);
            ADD_FAILURE() << "attached";
        } catch (const DomainError& error) {
            EXPECT_TRUE(isBundleError(error, BundleErrorCode::invalidImage)) << error.message();
            EXPECT_EQ(error.message(), row.reason);
        }
        EXPECT_TRUE(attachedFolders().empty());
    }
    EXPECT_FALSE(fs::exists("/tmp/velkor-owned"));

    writeFile(root / "garbage.dmg", std::string(3000, 'g'));
    EXPECT_THROW(attachImage(root / "garbage.dmg"), DomainError);
    const std::string gzipTruncated =
        readFile(makeImage(makeBundle(root / "T.app", {}, &signer), "t"));
    writeFile(root / "truncated.dmg", gzipTruncated.substr(0, gzipTruncated.size() / 2));
    EXPECT_THROW(attachImage(root / "truncated.dmg"), DomainError);
    EXPECT_TRUE(attachedFolders().empty());
}

// The path an update takes: pack a signed bundle, attach it read-only in a private folder, find
// the application, copy it out keeping modes and links, and the copy still verifies.
TEST_F(ImageTest, SignedBundleSurvivesPackAttachFindAndCopy) {
    makeBundle(root / "volume/Other.app", {.identifier = "com.example.other"}, &signer);
    makeBundle(root / "volume/Other.app/Contents/Nested.app", {.identifier = "com.example.nested"},
               &signer);
    makeBundle(root / "volume/.hidden/Hidden.app", {.identifier = "com.example.hidden"}, &signer);
    makeBundle(root / "volume/Velkor.app", {}, &signer);
    const fs::path image = root / "volume.dmg";
    packImage(root / "volume", image);

    const MountedImage mounted = attachImage(image);
    ASSERT_EQ(mounted.mountPoint.parent_path(), mountBase());
    EXPECT_FALSE(mounted.device);
    EXPECT_EQ(fs::status(mounted.mountPoint).permissions() & fs::perms::all, fs::perms(0500));
    EXPECT_EQ(fs::status(mountBase()).permissions() & fs::perms::all, fs::perms(0700));
    const fs::path volume = mounted.mountPoint / "volume";
    // Permission bits, not access(): tests may run as root, whom nothing stops.
    const auto writeBits =
        fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
    EXPECT_EQ(fs::status(volume / "Velkor.app/Contents/Info.plist").permissions() & writeBits,
              fs::perms::none);
    EXPECT_EQ(fs::status(volume / "Velkor.app/Contents").permissions() & writeBits,
              fs::perms::none);
    EXPECT_TRUE(isInsideMountBase(volume / "Velkor.app"));
    fs::create_directory_symlink(mounted.mountPoint, root / "shortcut");
    EXPECT_TRUE(isInsideMountBase(root / "shortcut/volume/Velkor.app"));
    EXPECT_FALSE(isInsideMountBase(mountBase()));

    // Only the visible bundle with our identifier counts; the other one comes first by name.
    const auto found = findApplication(volume, "com.tamsel.brontil");
    ASSERT_TRUE(found);
    EXPECT_EQ(*found, volume / "Velkor.app");
    // Hidden folders and the inside of bundles are never searched.
    EXPECT_FALSE(findApplication(volume, "com.example.hidden"));
    EXPECT_FALSE(findApplication(volume, "com.example.nested"));
    EXPECT_EQ(findApplication(volume, "com.example.other"), volume / "Other.app");
    EXPECT_EQ(verifySignature(*found).teamIdentifier, signer.teamIdentifier());

    const fs::path copy = root / "installed" / "Velkor.app";
    fs::create_directories(copy.parent_path());
    copyTree(*found, copy);
    EXPECT_FALSE(isInsideMountBase(copy));
    EXPECT_EQ(verifySignature(copy).identifier, "com.tamsel.brontil");
    EXPECT_EQ(fs::read_symlink(copy / "Contents/Resources/Current"), "marker.txt");
    EXPECT_EQ(fs::status(copy / "Contents/MacOS/velkor").permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_THROW(copyTree(*found, copy), DomainError); // never copies over something

    detachImage(mounted);
    EXPECT_FALSE(fs::exists(mounted.mountPoint));
    EXPECT_THROW(detachImage(MountedImage{root / "installed", std::nullopt}), DomainError);
    EXPECT_TRUE(fs::exists(root / "installed"));
}

TEST_F(ImageTest, DigestOfALargeFileMatchesTheDigestOfItsBytes) {
    EXPECT_EQ(sha256OfBytes("abc"),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    std::string content(digestChunkSize * 2 + 12345, '\0');
    for (std::size_t i = 0; i < content.size(); ++i) {
        content[i] = static_cast<char>(i * 7919 % 251);
    }
    writeFile(root / "big.bin", content);
    EXPECT_EQ(sha256OfFile(root / "big.bin"), sha256OfBytes(content));
    EXPECT_THROW(sha256OfFile(root / "missing.bin"), DomainError);
}

// A tool that fills both pipes far beyond their buffers must still finish, and we get all of it.
TEST_F(ImageTest, ChildProcessOutputsAreDrainedWhileItRuns) {
    const ProcessResult result =
        runProcess({"/bin/sh", "-c",
                    "head -c 3000000 /dev/zero; head -c 2000000 /dev/zero >&2; "
                    "echo done; exit 3"});
    EXPECT_EQ(result.exitStatus, 3);
    EXPECT_EQ(result.standardOutput.size(), 3000005u);
    EXPECT_EQ(result.standardError.size(), 2000000u);

    writeFile(root / "not-executable", "#!/bin/sh\n");
    EXPECT_THROW(startDetached(root / "not-executable"), DomainError);
    EXPECT_THROW(runProcess({(root / "missing").string()}), DomainError);
    EXPECT_EQ(outputText("  failed\n", "fallback"), "failed");
    EXPECT_EQ(outputText(" \n", "fallback"), "fallback");
    EXPECT_EQ(outputText("bad \xC3\x28", "fallback"), "fallback");
}

} // namespace
} // namespace velkor::bundle::testing

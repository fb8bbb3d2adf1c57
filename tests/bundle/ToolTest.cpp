#include "BundleTestSupport.h"
#include "bundle/ArchiveImage.h"
#include "bundle/ChildProcess.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace velkor::bundle::testing {
namespace {

namespace fs = std::filesystem;

using VelkorBundleToolTest = BundleFixture;

ProcessResult tool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), VELKOR_BUNDLE_TOOL);
    return runProcess(arguments);
}

// The command-line contract release scripts rely on, from a new key to an image that attaches.
TEST_F(VelkorBundleToolTest, KeygenSignVerifyPackAsReleaseScriptsUseThem) {
    const std::string key = (root / "release.pem").string();
    const ProcessResult keygen = tool({"keygen", key});
    ASSERT_EQ(keygen.exitStatus, 0) << keygen.standardError;
    ASSERT_EQ(keygen.standardOutput.size(), std::string("team XXXXXXXXXX\n").size());
    ASSERT_TRUE(keygen.standardOutput.starts_with("team "));
    const std::string team = keygen.standardOutput.substr(5, 10);
    EXPECT_EQ(fs::status(key).permissions() & fs::perms::all, fs::perms(0600));

    const fs::path bundle = makeBundle(root / "Velkor.app", {}, nullptr);
    EXPECT_EQ(tool({"verify", bundle.string()}).exitStatus, 1);
    ASSERT_EQ(tool({"sign", bundle.string(), "--key", key}).exitStatus, 0);
    const ProcessResult verified = tool({"verify", bundle.string()});
    EXPECT_EQ(verified.exitStatus, 0);
    EXPECT_EQ(verified.standardOutput, "identifier com.tamsel.brontil\nteam " + team + "\n");
    EXPECT_EQ(verified.standardError, "");

    const std::string image = (root / "Velkor-2.1-57.dmg").string();
    ASSERT_EQ(tool({"pack", bundle.string(), image}).exitStatus, 0);
    {
        const AttachedImage attached(image);
        EXPECT_EQ(verifySignature(attached.mountPoint() / "Velkor.app").teamIdentifier, team);
    }

    writeFile(bundle / "Contents/Resources/marker.txt", "tampered");
    const ProcessResult tampered = tool({"verify", bundle.string()});
    EXPECT_EQ(tampered.exitStatus, 1);
    EXPECT_EQ(tampered.standardOutput, "");
    EXPECT_NE(tampered.standardError.find("Contents/Resources/marker.txt was modified"),
              std::string::npos);

    EXPECT_EQ(tool({"keygen", key}).exitStatus, 1); // the existing key stays
    EXPECT_EQ(tool({"sign", bundle.string()}).exitStatus, 2);
    EXPECT_EQ(tool({}).exitStatus, 2);
}

// Names outside ASCII are packed and unpacked as UTF-8 whatever the locale says, so the first
// resource with such a name does not break a release.
TEST_F(VelkorBundleToolTest, PacksNamesOutsideAsciiUnderEveryLocale) {
    const std::string key = (root / "release.pem").string();
    ASSERT_EQ(tool({"keygen", key}).exitStatus, 0);
    const fs::path bundle = makeBundle(root / "Velkor.app", {}, nullptr);
    writeFile(bundle / "Contents/Resources/Réglages – ♞.txt", "é");
    fs::create_symlink("Réglages – ♞.txt", bundle / "Contents/Resources/Lien ü");
    ASSERT_EQ(tool({"sign", bundle.string(), "--key", key}).exitStatus, 0);

    const char* previous = std::getenv("LC_ALL");
    const std::string saved = previous != nullptr ? previous : "";
    for (const char* locale : {"C", "C.UTF-8"}) {
        SCOPED_TRACE(locale);
        ::setenv("LC_ALL", locale, 1);
        const std::string image = (root / (std::string(locale) + ".dmg")).string();
        const ProcessResult packed = tool({"pack", bundle.string(), image});
        ASSERT_EQ(packed.exitStatus, 0) << packed.standardError;
        const AttachedImage attached(image);
        const fs::path unpacked = attached.mountPoint() / "Velkor.app";
        EXPECT_EQ(readFile(unpacked / "Contents/Resources/Réglages – ♞.txt"), "é");
        EXPECT_EQ(fs::read_symlink(unpacked / "Contents/Resources/Lien ü"), "Réglages – ♞.txt");
        EXPECT_NO_THROW(verifySignature(unpacked));
    }
    if (previous != nullptr) {
        ::setenv("LC_ALL", saved.c_str(), 1);
    } else {
        ::unsetenv("LC_ALL");
    }
}

// The bundle CMake lays out for an application target, here the stand-in application's.
TEST_F(VelkorBundleToolTest, BuildTreeBundleHasTheLayoutAndMetadataFromCMake) {
    const fs::path bundle = VELKOR_STAND_IN_BUNDLE;
    const ApplicationMetadata metadata = readApplicationMetadata(bundle);
    EXPECT_EQ(metadata.identifier, "com.tamsel.brontil");
    EXPECT_EQ(metadata.executable, "velkor");
    EXPECT_EQ(metadata.version, VELKOR_PROJECT_VERSION);
    EXPECT_EQ(metadata.build, VELKOR_BUILD_NUMBER);
    EXPECT_EQ(::access(mainExecutable(bundle).c_str(), X_OK), 0);
    EXPECT_EQ(::access((bundle / "Contents/Helpers/BrontilTrashUpdater").c_str(), X_OK), 0);
    EXPECT_TRUE(fs::is_directory(bundle / "Contents/Resources"));
}

} // namespace
} // namespace velkor::bundle::testing

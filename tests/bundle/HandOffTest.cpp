// The files the application and the updater hand each other: the install plan and the status.
// Both programs go through one codec, so what one writes the other must read, and files written
// by earlier versions must still read.
#include "BundleTestSupport.h"
#include "base/DomainError.h"
#include "bundle/InstallHandOff.h"
#include "bundle/MessageText.h"

namespace velkor::bundle::testing {
namespace {

namespace fs = std::filesystem;

using HandOffTest = BundleFixture;

InstallPlan samplePlan() {
    return InstallPlan{"/home/j\xc3\xb6rg/.cache/Updates/2.1-57/Velkor-2.1-57.dmg",
                       "/opt/My \"Apps\"\\Velkor.app",
                       "com.tamsel.brontil",
                       "TEAM\t1",
                       "2.1",
                       "57",
                       "ab12",
                       "/home/j\xc3\xb6rg/.local/share/last-install.json"};
}

// The text the application has always written: keys in byte order, four spaces, a final line
// feed, non-ASCII as it is and only quotes, backslashes and controls escaped.
const std::string samplePlanText = R"({
    "dmgPath": "/home/j)"
                                   "\xc3\xb6"
                                   R"(rg/.cache/Updates/2.1-57/Velkor-2.1-57.dmg",
    "expectedBuild": "57",
    "expectedBundleIdentifier": "com.tamsel.brontil",
    "expectedSHA256": "ab12",
    "expectedTeamIdentifier": "TEAM\t1",
    "expectedVersion": "2.1",
    "statusPath": "/home/j)"
                                   "\xc3\xb6"
                                   R"(rg/.local/share/last-install.json",
    "targetAppPath": "/opt/My \"Apps\"\\Velkor.app"
}
)";

std::string planProblem(std::string_view text) {
    try {
        decodeInstallPlan(text);
    } catch (const DomainError& error) {
        EXPECT_EQ(error.domain(), installPlanErrorDomain);
        return error.message();
    }
    return "accepted";
}

TEST_F(HandOffTest, PlanKeepsItsFormatAndReadsEveryLayoutOfIt) {
    EXPECT_EQ(encodeInstallPlan(samplePlan()), samplePlanText);
    EXPECT_EQ(decodeInstallPlan(samplePlanText), samplePlan());

    // Written on one line in another order, with a key of a later version: the same plan.
    const std::string compact =
        R"({"statusPath":"s","future":[1,2],"expectedSHA256":"h","expectedBuild":"b",)"
        R"("expectedVersion":"v","expectedTeamIdentifier":"t","dmgPath":"d",)"
        R"("expectedBundleIdentifier":"i","targetAppPath":"a"})";
    EXPECT_EQ(decodeInstallPlan(compact), (InstallPlan{"d", "a", "i", "t", "v", "b", "h", "s"}));

    // A path whose bytes are not UTF-8 cannot stop the plan from being written.
    InstallPlan odd = samplePlan();
    odd.dmgPath = "/tmp/\xff.dmg";
    EXPECT_EQ(decodeInstallPlan(encodeInstallPlan(odd)).dmgPath, "/tmp/\xef\xbf\xbd.dmg");

    const fs::path file = root / "install-plan.json";
    writeFile(file, samplePlanText);
    EXPECT_EQ(readInstallPlan(file), samplePlan());
}

TEST_F(HandOffTest, BrokenPlansAreRefusedWithTheReason) {
    EXPECT_EQ(planProblem(""), "The install plan is not a JSON object.");
    EXPECT_EQ(planProblem(R"(["dmgPath"])"), "The install plan is not a JSON object.");
    EXPECT_EQ(planProblem(samplePlanText + "}"), "The install plan is not a JSON object.");
    std::string numbered = samplePlanText;
    numbered.replace(numbered.find("\"57\""), 4, "57");
    EXPECT_EQ(planProblem(numbered), "The install plan has no text \"expectedBuild\".");
    std::string missing = samplePlanText;
    missing.replace(missing.find("\"statusPath\""), 12, "\"status\"");
    EXPECT_EQ(planProblem(missing), "The install plan has no text \"statusPath\".");

    const fs::path huge = root / "huge.json";
    writeFile(huge, "{\"dmgPath\":\"" + std::string(maxInstallPlanBytes, 'x') + "\"}");
    EXPECT_THROW(readInstallPlan(huge), DomainError);
    EXPECT_THROW(readInstallPlan(root / "absent.json"), DomainError);
}

TEST_F(HandOffTest, StatusSurvivesAwkwardMessages) {
    const InstallStatus status{false, "Velkor update failed: \"x\"\\ \xc3\xa9\x01", "2.1"};
    EXPECT_EQ(readInstallStatus(encodeInstallStatus(status)), status);
    // An escaped message that still holds stray bytes is written, not lost.
    const auto odd = readInstallStatus(encodeInstallStatus({true, "name \xfe", "2.1"}));
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->message, "name \xef\xbf\xbd");
    // Raw line breaks and controls inside a message, as hand-made or older files hold them.
    EXPECT_EQ(readInstallStatus("{\"succeeded\":false,\n\"message\":\"a\nb\tc\\\"\x01\","
                                "\"version\":\"2.0\"}\n"),
              (InstallStatus{false, "a\nb\tc\"\x01", "2.0"}));
    EXPECT_FALSE(readInstallStatus(R"({"succeeded":true,"message":"m"})"));
    EXPECT_FALSE(readInstallStatus("not json"));
}

// Extensions and digests compare without the locale's idea of case, so the bytes of a UTF-8
// name are never folded.
TEST(LowerCased, FoldsOnlyAsciiLetters) {
    EXPECT_EQ(lowerCased("Velkor \xc3\x84\xc3\x9c.APP"), "velkor \xc3\x84\xc3\x9c.app");
    EXPECT_EQ(lowerCased("ABCDEF0123456789"), "abcdef0123456789");
}

} // namespace
} // namespace velkor::bundle::testing

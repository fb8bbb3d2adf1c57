#include "UpdaterFixture.h"
#include "base/DomainError.h"
#include "bundle/ArchiveImage.h"
#include "bundle/ChildProcess.h"
#include "bundle/FileDigest.h"
#include "bundle/FileTree.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace velkor::updater {
namespace {

using bundle::testing::ArchiveEntry;
using namespace testing;
using UpdaterTest = UpdaterFixture;

// The real program, end to end: it waits for a stand-in parent to exit, installs, writes the
// status, starts the new application and leaves nothing behind.
TEST_F(UpdaterTest, ProgramReplacesTheApplicationAfterItsParentExitsAndRelaunchesIt) {
    writePlan(planFor(newImage()));
    const pid_t parent = ::fork();
    ASSERT_GE(parent, 0);
    if (parent == 0) {
        ::usleep(300'000);
        ::_exit(0);
    }
    // Reap the stand-in parent as soon as it exits, as its own parent would.
    std::thread reaper([parent] { ::waitpid(parent, nullptr, 0); });
    const auto result = bundle::runProcess(
        {VELKOR_UPDATER, "--plan", planPath.string(), "--parent-pid", std::to_string(parent)});
    reaper.join();

    EXPECT_EQ(result.exitStatus, 0) << result.standardError;
    EXPECT_EQ(result.standardOutput, "");
    EXPECT_EQ(result.standardError, "");
    EXPECT_EQ(
        readFile(statusPath),
        R"({"succeeded":true,"message":"Velkor was updated to version 2.1 (build 57).","version":"2.1"})");
    EXPECT_EQ(installedMarker(), "2.1-57");
    EXPECT_EQ(bundle::verifySignature(target).teamIdentifier, signer.teamIdentifier());
    // The modes of a fresh install, not the read-only ones of the unpacked image.
    const auto mode = [this](const char* path) {
        return fs::symlink_status(target / path).permissions() & fs::perms::all;
    };
    EXPECT_EQ(mode(""), fs::perms(0755));
    EXPECT_EQ(mode("Contents"), fs::perms(0755));
    EXPECT_EQ(mode("Contents/Info.plist"), fs::perms(0644));
    EXPECT_EQ(mode("Contents/MacOS/velkor"), fs::perms(0755));
    EXPECT_EQ(mode("Contents/Resources/marker.txt"), fs::perms(0644));
    EXPECT_TRUE(leftovers().empty());
    EXPECT_FALSE(fs::exists(downloads / "Velkor-2.1-57.dmg"));
    EXPECT_FALSE(fs::exists(planPath));
    EXPECT_TRUE(attachedFolders().empty());
    EXPECT_EQ(waitForStarts(1), std::vector<std::string>{"2.1-57 " + target.string()});
}

TEST_F(UpdaterTest, ProgramRejectsBadArgumentsWithOneLineAndNoStatus) {
    writePlan(planFor(newImage()));
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"--plan", planPath.string()},
        {"--parent-pid", "42", "--plan"},
        {"--plan", planPath.string(), "--parent-pid", "1"},
        {"--plan", planPath.string(), "--parent-pid", "0"},
        {"--plan", planPath.string(), "--parent-pid", "-5"},
        {"--plan", planPath.string(), "--parent-pid", "12a"},
        {"--plan", planPath.string(), "--parent-pid", "2147483648"},
        {"--plan", planPath.string(), "--parent-pid", ""},
    };
    for (const auto& row : rows) {
        std::vector<std::string> argv{VELKOR_UPDATER};
        argv.insert(argv.end(), row.begin(), row.end());
        const auto result = bundle::runProcess(argv);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.standardError,
                  "BrontilTrashUpdater: The updater received invalid arguments.\n");
        EXPECT_EQ(result.standardOutput, "");
    }
    EXPECT_EQ(
        parseCommandLine({"x", "--parent-pid", "+42", "--plan", "p", "--plan", "q"}).parentPid, 42);
    EXPECT_EQ(parseCommandLine({"--parent-pid", "2147483647", "--plan", "p"}).planPath, "p");

    writeFile(planPath, R"({"dmgPath": 5})");
    const auto unreadable =
        bundle::runProcess({VELKOR_UPDATER, "--plan", planPath.string(), "--parent-pid", "999999"});
    EXPECT_EQ(unreadable.exitStatus, 1);
    EXPECT_EQ(unreadable.standardError,
              "BrontilTrashUpdater: The install plan has no text \"dmgPath\".\n");
    EXPECT_FALSE(fs::exists(statusPath));
    EXPECT_EQ(installedMarker(), "1.0-1");
}

struct Attack {
    const char* name;
    // Prepares the image and returns the plan; may adjust the environment.
    std::function<InstallPlan(UpdaterFixture&, UpdaterEnvironment&)> prepare;
    const char* description;
};

// Every attack and fault ends the same safe way: exit 1, one standard-error line, a failure
// status with the reason, the installed application intact and started again, no staging copy.
TEST_F(UpdaterTest, RefusesOrRollsBackEveryAttackKeepingTheInstalledApplication) {
    const auto fromImage = [](const std::function<fs::path(UpdaterFixture&)>& image) {
        return [image](UpdaterFixture& t, UpdaterEnvironment&) { return t.planFor(image(t)); };
    };
    const std::vector<Attack> rows = {
        {"another signer",
         fromImage([](UpdaterFixture& t) { return t.newImage({}, &t.otherSigner); }),
         "The update application is invalid: Developer ID identity does not match."},
        {"tampered file", fromImage([](UpdaterFixture& t) {
             return t.newImage({}, nullptr, [](const fs::path& b) {
                 writeFile(b / "Contents/Resources/marker.txt", "2.1-57 evil");
             });
         }),
         "The update application is invalid: Code signature validation failed."},
        {"extra file", fromImage([](UpdaterFixture& t) {
             return t.newImage({}, nullptr, [](const fs::path& b) {
                 writeFile(b / "Contents/MacOS/libinject.so", "x");
             });
         }),
         "The update application is invalid: Code signature validation failed."},
        {"another build", fromImage([](UpdaterFixture& t) { return t.newImage({.build = "58"}); }),
         "The update application is invalid: Build does not match."},
        {"another version",
         fromImage([](UpdaterFixture& t) { return t.newImage({.version = "2.2"}); }),
         "The update application is invalid: Version does not match."},
        {"no matching application",
         fromImage([](UpdaterFixture& t) { return t.newImage({.identifier = "com.example.x"}); }),
         "The update application is invalid: No matching Velkor app was found."},
        {"path escaping the image", fromImage([](UpdaterFixture& t) {
             bundle::testing::writeArchive(
                 t.root / "escape.dmg",
                 {{"Velkor.app/../../../owned", ArchiveEntry::Kind::file, "x"}});
             return t.useImage(t.root / "escape.dmg");
         }),
         "The update disk image is invalid: The entry Velkor.app/../../../owned leads out of the "
         "image with \"..\"."},
        {"link escaping the image", fromImage([](UpdaterFixture& t) {
             bundle::testing::writeArchive(
                 t.root / "link.dmg",
                 {{"Velkor.app", ArchiveEntry::Kind::folder, "", "", 0755},
                  {"Velkor.app/Contents", ArchiveEntry::Kind::link, "", "../../../.."}});
             return t.useImage(t.root / "link.dmg");
         }),
         "The update disk image is invalid: The link Velkor.app/Contents leads out of the image."},
        // A name may hold anything; the report stays one line and forges nothing.
        {"line break in an entry name", fromImage([](UpdaterFixture& t) {
             bundle::testing::writeArchive(
                 t.root / "forged.dmg", {{"Velkor.app", ArchiveEntry::Kind::folder, "", "", 0755},
                                         {"Velkor.app/x\nBrontilTrashUpdater: Velkor was updated",
                                          ArchiveEntry::Kind::fifo}});
             return t.useImage(t.root / "forged.dmg");
         }),
         "The update disk image is invalid: The entry Velkor.app/x\\nBrontilTrashUpdater: Velkor "
         "was updated is a device file, pipe or socket."},
        {"image changed after download",
         [](UpdaterFixture& t, UpdaterEnvironment&) {
             InstallPlan plan = t.planFor(t.newImage());
             plan.expectedSHA256[0] = plan.expectedSHA256[0] == '0' ? '1' : '0';
             return plan;
         },
         "The update no longer matches its verified SHA-256 checksum."},
        {"installed application signed by someone else",
         [](UpdaterFixture& t, UpdaterEnvironment&) {
             InstallPlan plan = t.planFor(t.newImage());
             plan.expectedTeamIdentifier = t.otherSigner.teamIdentifier();
             return plan;
         },
         "The update application is invalid: Developer ID identity does not match."},
        {"target is not an application",
         [](UpdaterFixture& t, UpdaterEnvironment&) {
             InstallPlan plan = t.planFor(t.newImage());
             plan.targetAppPath = (t.root / "Applications").string();
             return plan;
         },
         "The updater received invalid arguments."},
        {"parent never exits",
         [](UpdaterFixture& t, UpdaterEnvironment& environment) {
             environment.processIsRunning = [](pid_t) { return true; };
             return t.planFor(t.newImage());
         },
         "Velkor did not terminate in time."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ManualClock clock;
        UpdaterEnvironment environment(clock);
        std::vector<std::string> started;
        environment.launchApplication = [&](const fs::path& bundle) {
            started.push_back(readFile(bundle / "Contents/Resources/marker.txt"));
        };
        const InstallPlan plan = row.prepare(*this, environment);
        writePlan(plan);
        fs::remove(statusPath);

        std::ostringstream errors;
        EXPECT_EQ(runUpdater(arguments(), environment, errors), 1);
        EXPECT_EQ(errors.str(), std::string("BrontilTrashUpdater: ") + row.description + "\n");
        EXPECT_EQ(
            bundle::readInstallStatus(readFile(statusPath)),
            (InstallStatus{false, std::string("Velkor update failed: ") + row.description, "2.1"}));
        EXPECT_EQ(installedMarker(), "1.0-1");
        EXPECT_EQ(bundle::verifySignature(target).teamIdentifier, signer.teamIdentifier());
        // The application is started again from the plan's target, whatever that names.
        EXPECT_EQ(started.size(), 1u);
        if (plan.targetAppPath == target.string()) {
            EXPECT_EQ(started, std::vector<std::string>{"1.0-1"});
        }
        EXPECT_TRUE(leftovers().empty());
        EXPECT_TRUE(fs::exists(plan.dmgPath));
        EXPECT_TRUE(fs::exists(planPath));
        EXPECT_TRUE(attachedFolders().empty());
        EXPECT_FALSE(fs::exists(root / "owned"));
        if (std::string(row.name) == "parent never exits") {
            EXPECT_GE(clock.elapsed(), 60s);
            EXPECT_LT(clock.elapsed(), 61s);
        } else {
            EXPECT_EQ(clock.elapsed(), 0s);
        }
    }
}

// The new application cannot be started: the old one is put back before the status is written,
// and it is the old one that starts.
TEST_F(UpdaterTest, FailedRelaunchRollsBackToTheInstalledApplication) {
    writePlan(planFor(newImage({.executable = false})));
    ManualClock clock;
    UpdaterEnvironment environment(clock); // the real launcher: the new executable cannot run
    std::ostringstream errors;
    EXPECT_EQ(runUpdater(arguments(), environment, errors), 1);

    const std::string description = "The application could not be replaced: Could not start " +
                                    (target / "Contents/MacOS/velkor").string() +
                                    ": Permission denied";
    EXPECT_EQ(errors.str(), "BrontilTrashUpdater: " + description + "\n");
    EXPECT_EQ(bundle::readInstallStatus(readFile(statusPath)),
              (InstallStatus{false, "Velkor update failed: " + description, "2.1"}));
    EXPECT_EQ(installedMarker(), "1.0-1");
    EXPECT_NO_THROW(bundle::verifySignature(target));
    EXPECT_TRUE(leftovers().empty());
    EXPECT_EQ(waitForStarts(1), std::vector<std::string>{"1.0-1 " + target.string()});
}

// A full disk or a file-size limit while unpacking: the real reason, the old application kept
// and started again, nothing left behind.
TEST_F(UpdaterTest, ProgramReportsAFileSizeLimitWithItsReason) {
    writePlan(planFor(newImage()));
    // 200 blocks of 512 bytes: less than the stand-in executable the image holds.
    const auto result =
        bundle::runProcess({"/bin/sh", "-c", "ulimit -f 200 && exec \"$0\" \"$@\"", VELKOR_UPDATER,
                            "--plan", planPath.string(), "--parent-pid", "999999"});
    EXPECT_EQ(result.exitStatus, 1);
    const std::string description =
        "The update disk image is invalid: Could not unpack Velkor.app/Contents/MacOS/velkor: "
        "File too large";
    EXPECT_EQ(result.standardError, "BrontilTrashUpdater: " + description + "\n");
    EXPECT_EQ(bundle::readInstallStatus(readFile(statusPath)),
              (InstallStatus{false, "Velkor update failed: " + description, "2.1"}));
    EXPECT_EQ(installedMarker(), "1.0-1");
    EXPECT_TRUE(leftovers().empty());
    EXPECT_TRUE(attachedFolders().empty());
    EXPECT_EQ(waitForStarts(1), std::vector<std::string>{"1.0-1 " + target.string()});
}

// A status that cannot be written does not stop the update, and is not passed over in silence.
TEST_F(UpdaterTest, AStatusThatCannotBeWrittenIsReported) {
    writePlan(planFor(newImage()));
    writeFile(statusPath.parent_path(), "a file where the status folder belongs");
    ManualClock clock;
    UpdaterEnvironment environment(clock);
    environment.launchApplication = [](const fs::path&) {};
    std::ostringstream errors;
    EXPECT_EQ(runUpdater(arguments(), environment, errors), 0);
    EXPECT_EQ(installedMarker(), "2.1-57");
    EXPECT_TRUE(errors.str().starts_with("BrontilTrashUpdater: Could not create " +
                                         statusPath.parent_path().string() + ": "))
        << errors.str();
    const std::string lines = errors.str();
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 1) << "told once";
}

// Case of the digest does not matter, and a second successful run finds nothing left to trip on.
TEST_F(UpdaterTest, InstallsWithAnUpperCaseDigestAndWritesNoOutput) {
    InstallPlan plan = planFor(newImage());
    for (char& c : plan.expectedSHA256) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    writePlan(plan);
    ManualClock clock;
    UpdaterEnvironment environment(clock);
    std::vector<fs::path> started;
    environment.launchApplication = [&](const fs::path& bundle) { started.push_back(bundle); };
    environment.newUuid = [] { return std::string("0F8FAD5B-D9CB-469F-A165-70867728950E"); };
    std::ostringstream errors;
    EXPECT_EQ(runUpdater(arguments(), environment, errors), 0);
    EXPECT_EQ(errors.str(), "");
    EXPECT_EQ(installedMarker(), "2.1-57");
    EXPECT_EQ(started, std::vector<fs::path>{target});
    EXPECT_TRUE(leftovers().empty());
    EXPECT_TRUE(bundle::readInstallStatus(readFile(statusPath)).value().succeeded);
}

// A backup that cannot be moved back is reported as such and stays beside the target.
TEST_F(UpdaterTest, RollbackThatCannotMoveTheBackupReportsItAndKeepsTheBackup) {
    const fs::path backup = root / "Applications/.brontil-trash-backup-X.app";
    fs::rename(target, backup);
    fs::create_directories(root / "blocked");
    writeFile(root / "blocked/file", "x");
    // The target path lies below a file, so nothing can be moved there.
    const fs::path impossible = root / "blocked/file/Velkor.app";
    ManualClock clock;
    UpdaterEnvironment environment(clock);
    try {
        rollback(impossible, backup, environment);
        ADD_FAILURE() << "rolled back";
    } catch (const DomainError& error) {
        EXPECT_TRUE(
            error.message().starts_with("The application could not be replaced: Rollback failed: "))
            << error.message();
    }
    EXPECT_TRUE(fs::exists(backup / "Contents/Info.plist"));
    EXPECT_NO_THROW(rollback(target, root / "no-backup.app", environment));
}

} // namespace
} // namespace velkor::updater

#include "QtTestSupport.h"
#include "SignedBundles.h"
#include "UpdateTestSupport.h"
#include "bundle/ApplicationMetadata.h"
#include "bundle/BundleSignature.h"
#include "bundle/FileDigest.h"
#include "bundle/MountBase.h"
#include "update/CurrentBundle.h"
#include "update/UpdateController.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <fstream>
#include <gtest/gtest.h>

namespace velkor {
namespace {

namespace fs = std::filesystem;
using testing::LoopbackUpdateServer;
using testing::Route;
using testing::SignedBundles;

const QString imagePath = "/updates/Velkor/Velkor-2.0-2.dmg";

// Everything one update needs, on loopback: the installed application (1.0, build 1, signed by
// our key) that the service sees as the running one, the feed and a signed 2.0 build 2 image.
class UpdateInstall : public ::testing::Test {
public:
    void SetUp() override {
        installed = bundles.make("Applications", "1.0", "1", bundles.key());
        setCurrentBundlePath(QString::fromStdString(installed.string()));
        serveImage(bundles.pack(bundles.make("release", "2.0", "2", bundles.key()), "good.dmg"));
    }

    // Serves `image` at the image path and announces it in the feed with its true size and
    // digest; rows then spoil what they attack.
    void serveImage(const QString& image) {
        loopback.server().setRoute(imagePath, Route{200, {}, image, {}, false});
        feed = UpdateInfo{"2.0",
                          "2",
                          QFileInfo(image).size(),
                          QString::fromStdString(bundle::sha256OfFile(image.toStdString())),
                          QUrl(loopback.server().url(imagePath)),
                          QString("Better."),
                          {},
                          {}};
    }

    // From the feed check to the end of the install operation, as the update window drives it.
    void checkAndInstall(UpdateController& controller) {
        loopback.server().setRoute(loopback.feedPath(), Route{200, feed.encode(), {}, {}, false});
        controller.checkForUpdates(false);
        ASSERT_TRUE(
            testing::waitUntil([&] { return !controller.isChecking(); }, std::chrono::seconds(30)));
        ASSERT_TRUE(controller.availableUpdate()) << controller.message()->toStdString();
        controller.install();
        ASSERT_TRUE(testing::waitUntil([&] { return !controller.isInstalling(); },
                                       std::chrono::seconds(60)));
    }

    QString downloadDirectory() const {
        return service->options().locations.downloadDirectory("2.0", "2");
    }

    bundle::ApplicationMetadata installedMetadata() const {
        return bundle::readApplicationMetadata(installed);
    }

    QStringList starts() const {
        QFile record(bundles.startRecord());
        return record.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(record.readAll()).split('\n', Qt::SkipEmptyParts)
                   : QStringList();
    }

    LoopbackUpdateServer loopback;
    SignedBundles bundles{loopback.folder(), VELKOR_UPDATER_PROGRAM};
    fs::path installed;
    UpdateInfo feed;
    std::unique_ptr<QProcess> parent = std::make_unique<QProcess>();
    std::unique_ptr<UpdateService> service;
    int terminations = 0;

    void TearDown() override {
        parent->kill();
        parent->waitForFinished();
    }

    void makeService() {
        UpdateServiceOptions options = loopback.options();
        parent->start("sleep", {"60"});
        parent->waitForStarted();
        options.applicationPid = [this] { return parent->processId(); };
        service = std::make_unique<UpdateService>(options);
    }
    std::unique_ptr<UpdateController> makeController() {
        if (!service) {
            makeService();
        }
        return std::make_unique<UpdateController>(
            *service, UpdateController::Hooks{[this] { ++terminations; }, {}});
    }
};

struct AttackRow {
    const char* name;
    std::function<void(UpdateInstall&)> arrange;
    QString message; // the shown text, or its beginning when it ends in "…"
    bool downloads;  // whether the image may be fetched at all
};

void PrintTo(const AttackRow& row, std::ostream* out) {
    *out << row.name;
}

class UpdateAttacks : public UpdateInstall, public ::testing::WithParamInterface<AttackRow> {};

const QString hostileTextPrefix = "The downloaded disk image is invalid: ";

const AttackRow attackRows[] = {
    {"plainHttp", [](UpdateInstall& t) { t.feed.downloadURL.setScheme("http"); },
     "The update URL must use HTTPS and the same host as the update feed.", false},
    {"anotherHost", [](UpdateInstall& t) { t.feed.downloadURL.setHost("localhost"); },
     "The update URL must use HTTPS and the same host as the update feed.", false},
    {"redirectToAnotherHost",
     [](UpdateInstall& t) {
         t.loopback.server().setRoute(
             "/moved",
             Route{302,
                   {},
                   {},
                   {{"Location", t.loopback.server().url(imagePath, "localhost").toUtf8()}},
                   false});
         t.feed.downloadURL = QUrl(t.loopback.server().url("/moved"));
     },
     "The update server returned an unexpected response.", false},
    // %1: the announced size, %2: the image's true size.
    {"oneByteShort", [](UpdateInstall& t) { t.feed.size = *t.feed.size + 1; },
     "The update has the wrong size (expected %1, received %2 bytes).", true},
    {"oneByteTooMany", [](UpdateInstall& t) { t.feed.size = *t.feed.size - 1; },
     "The update has the wrong size (expected %1, received %2 bytes).", true},
    {"wrongDigest", [](UpdateInstall& t) { t.feed.sha256 = QString(64, u'0'); },
     "The downloaded update failed SHA-256 verification.", true},
    {"anotherBuild",
     [](UpdateInstall& t) {
         t.serveImage(
             t.bundles.pack(t.bundles.make("build3", "2.0", "3", t.bundles.key()), "b3.dmg"));
     },
     "The downloaded application is invalid: Version or build does not match the feed.", true},
    {"anotherSigner",
     [](UpdateInstall& t) {
         t.serveImage(
             t.bundles.pack(t.bundles.make("other", "2.0", "2", t.bundles.otherKey()), "o.dmg"));
     },
     "The downloaded application is invalid: Developer ID identity does not match the installed "
     "app.",
     true},
    {"tamperedFile",
     [](UpdateInstall& t) {
         t.serveImage(t.bundles.pack(
             t.bundles.make("tampered", "2.0", "2", t.bundles.key(), {},
                            [](const fs::path& b) {
                                std::ofstream(b / "Contents/Resources/notes.txt", std::ios::app)
                                    << "!";
                            }),
             "t.dmg"));
     },
     "The downloaded application is invalid: Code signature validation failed.", true},
    {"extraFile",
     [](UpdateInstall& t) {
         t.serveImage(t.bundles.pack(t.bundles.make("extra", "2.0", "2", t.bundles.key(), {},
                                                    [](const fs::path& b) {
                                                        std::ofstream(b / "Contents/MacOS/payload")
                                                            << "#!/bin/sh\n";
                                                    }),
                                     "e.dmg"));
     },
     "The downloaded application is invalid: Code signature validation failed.", true},
    {"pathEscapingTheImage",
     [](UpdateInstall& t) {
         t.serveImage(t.bundles.hostileImage(SignedBundles::Hostile::pathEscape, "p.dmg"));
     },
     hostileTextPrefix + "…", true},
    {"linkEscapingTheImage",
     [](UpdateInstall& t) {
         t.serveImage(t.bundles.hostileImage(SignedBundles::Hostile::linkEscape, "l.dmg"));
     },
     hostileTextPrefix + "…", true},
    {"tooOldSystem", [](UpdateInstall& t) { t.feed.minimumMacOS = "999.1"; },
     "This update requires macOS 999.1 or later.", false},
    {"runningFromAnImage",
     [](UpdateInstall&) {
         setCurrentBundlePath(
             QString::fromStdString((bundle::mountBase() / "image-test" / "Velkor.app").string()));
     },
     "Move Velkor to Applications before updating it.", false},
    {"unsignedRunningApplication",
     [](UpdateInstall& t) { fs::remove(t.installed / "Contents/_CodeSignature/CodeResources"); },
     "Automatic updates require a Developer ID signed application.", true},
};

// Every refused update leaves the installed application as it was, no image in the download
// folder, nothing scheduled and the application running, with the reason on show.
TEST_P(UpdateAttacks, AreRefusedWithTheirReasonAndLoseNothing) {
    const AttackRow& row = GetParam();
    const qint64 trueSize = *feed.size;
    row.arrange(*this);
    const QString expected =
        row.message.contains("%1") ? row.message.arg(*feed.size).arg(trueSize) : row.message;
    const auto controller = makeController();
    checkAndInstall(*controller);

    const QString shown = controller->message().value_or(QString());
    RecordProperty("message", shown.toStdString());
    if (expected.endsWith(u'…')) {
        EXPECT_TRUE(shown.startsWith(expected.chopped(1))) << shown.toStdString();
        EXPECT_GT(shown.size(), expected.size()) << "the reason names the entry";
    } else {
        EXPECT_EQ(shown, expected);
    }
    EXPECT_TRUE(controller->failed());
    EXPECT_TRUE(controller->isPresented());
    EXPECT_EQ(terminations, 0);
    EXPECT_FALSE(service->scheduledInstallation());
    EXPECT_EQ(loopback.server().requestCount(imagePath) > 0, row.downloads) << row.name;
    EXPECT_TRUE(QDir(downloadDirectory())
                    .entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot)
                    .isEmpty());
    EXPECT_FALSE(fs::exists(fs::path(loopback.folder().toStdString()) / "escaped.txt"));
    EXPECT_EQ(installedMetadata().version, "1.0");
    EXPECT_EQ(controller->launchScheduledInstallerIfNeeded(),
              UpdateController::TerminateReply::terminateNow);
}

INSTANTIATE_TEST_SUITE_P(Rows, UpdateAttacks, ::testing::ValuesIn(attackRows),
                         [](const auto& row) { return std::string(row.param.name); });

// The whole way: check, download, verification, plan, the updater program waiting for the
// application to quit, replacement, relaunch and the status shown at the next launch.
TEST_F(UpdateInstall, ReplacesTheApplicationRelaunchesItAndReportsAtTheNextLaunch) {
    const auto controller = makeController();
    checkAndInstall(*controller);
    ASSERT_FALSE(controller->failed()) << controller->message()->toStdString();
    EXPECT_EQ(controller->message(),
              QString("Update verified. Velkor will now install and relaunch."));
    EXPECT_FALSE(controller->isPresented());
    EXPECT_EQ(terminations, 1);

    const auto scheduled = service->scheduledInstallation();
    ASSERT_TRUE(scheduled);
    QFile planFile(scheduled->first);
    ASSERT_TRUE(planFile.open(QIODevice::ReadOnly));
    const QJsonObject plan = QJsonDocument::fromJson(planFile.readAll()).object();
    const QString dmg = downloadDirectory() + "/Velkor-2.0-2.dmg";
    EXPECT_EQ(plan["dmgPath"].toString(), dmg);
    EXPECT_EQ(plan["targetAppPath"].toString(), QString::fromStdString(installed.string()));
    EXPECT_EQ(plan["expectedBundleIdentifier"].toString(), "com.tamsel.brontil");
    EXPECT_EQ(plan["expectedTeamIdentifier"].toString(),
              QString::fromStdString(bundles.key().teamIdentifier()));
    EXPECT_EQ(plan["expectedVersion"].toString(), "2.0");
    EXPECT_EQ(plan["expectedBuild"].toString(), "2");
    EXPECT_EQ(plan["expectedSHA256"].toString(), feed.sha256->toLower());
    EXPECT_EQ(QFileInfo(scheduled->second).permissions() & 0x7777, 0x7755);

    // The quit path starts the updater; it waits until the application has gone.
    ASSERT_EQ(controller->launchScheduledInstallerIfNeeded(),
              UpdateController::TerminateReply::terminateNow);
    EXPECT_FALSE(service->scheduledInstallation());
    testing::processEventsFor(std::chrono::milliseconds(300));
    EXPECT_EQ(installedMetadata().version, "1.0");
    parent->kill();
    parent->waitForFinished();

    ASSERT_TRUE(testing::waitUntil([&] { return !starts().isEmpty(); }, std::chrono::seconds(30)));
    EXPECT_EQ(starts(), QStringList{"2.0"});
    EXPECT_EQ(installedMetadata().version, "2.0");
    EXPECT_EQ(bundle::verifySignature(installed).teamIdentifier, bundles.key().teamIdentifier());
    ASSERT_TRUE(testing::waitUntil([&] { return !QFile::exists(dmg); }));
    EXPECT_EQ(QDir(QString::fromStdString(installed.parent_path().string()))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Velkor.app"});

    UpdateController nextLaunch(*service, {{}, [](auto, auto) {}});
    nextLaunch.handleLaunch();
    EXPECT_EQ(nextLaunch.message(), QString("Velkor was updated to version 2.0 (build 2)."));
    EXPECT_FALSE(nextLaunch.failed());
    EXPECT_TRUE(nextLaunch.isPresented());
}

// A new version that cannot be started is rolled back by the updater: the old application comes
// back, is started again, and the next launch says why.
TEST_F(UpdateInstall, RollsBackWhenTheNewVersionCannotStart) {
    serveImage(bundles.pack(bundles.make("broken", "2.0", "2", bundles.key(),
                                         [](const fs::path& b) {
                                             fs::permissions(b / "Contents/MacOS/velkor",
                                                             fs::perms(0644));
                                         }),
                            "broken.dmg"));
    const auto controller = makeController();
    checkAndInstall(*controller);
    ASSERT_FALSE(controller->failed()) << controller->message()->toStdString();
    ASSERT_EQ(controller->launchScheduledInstallerIfNeeded(),
              UpdateController::TerminateReply::terminateNow);
    parent->kill();
    parent->waitForFinished();

    ASSERT_TRUE(testing::waitUntil([&] { return !starts().isEmpty(); }, std::chrono::seconds(30)));
    EXPECT_EQ(starts(), QStringList{"1.0"});
    EXPECT_EQ(installedMetadata().version, "1.0");
    EXPECT_NO_THROW(bundle::verifySignature(installed));

    UpdateController nextLaunch(*service, {{}, [](auto, auto) {}});
    nextLaunch.handleLaunch();
    EXPECT_TRUE(nextLaunch.message()->startsWith(
        "Velkor update failed: The application could not be replaced: "))
        << nextLaunch.message()->toStdString();
    EXPECT_TRUE(nextLaunch.failed());
}

// An updater killed between its two renames left the old application as a backup, no application
// at its place, the staged copy and an attached image: the next launch moves the backup back,
// removes the rest and says so in one line, whatever the status holds.
TEST_F(UpdateInstall, TheNextLaunchPutsRightWhatAKilledUpdaterLeft) {
    const fs::path folder = installed.parent_path();
    const QString statusPath = loopback.options().locations.statusFilePath();
    fs::rename(installed, folder / ".brontil-trash-backup-0F8FAD5B.app");
    fs::copy(bundles.make("release", "2.0", "2", bundles.key()),
             folder / ".brontil-trash-update-0F8FAD5B.app", fs::copy_options::recursive);
    const fs::path image = bundle::ensureMountBase() / "image-K1lled";
    fs::create_directories(image / "Velkor.app");
    QFile status(statusPath);
    ASSERT_TRUE(status.open(QIODevice::WriteOnly));
    status.write(R"({"succeeded":false,"message":"Velkor update to version 2.0 (build 2) was )"
                 R"(interrupted.","version":"2.0"})");
    status.close();

    makeService();
    UpdateController launch(*service, {{}, [](auto, auto) {}});
    launch.handleLaunch();
    EXPECT_EQ(launch.message(),
              QString("Velkor update was interrupted; the previous version 1.0 (build 1) was "
                      "restored."));
    EXPECT_TRUE(launch.failed());
    EXPECT_TRUE(launch.isPresented());
    EXPECT_EQ(installedMetadata().version, "1.0");
    EXPECT_NO_THROW(bundle::verifySignature(installed));
    EXPECT_EQ(QDir(QString::fromStdString(folder.string()))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Velkor.app"});
    EXPECT_FALSE(fs::exists(image));
    EXPECT_FALSE(QFile::exists(statusPath));

    // A status that holds a line break (any name may) is still one line in the window.
    ASSERT_TRUE(status.open(QIODevice::WriteOnly));
    status.write(R"({"succeeded":false,"message":"Velkor update failed: x
BrontilTrashUpdater: )"
                 R"(fine","version":"2.0"})");
    status.close();
    UpdateController next(*service, {{}, [](auto, auto) {}});
    next.handleLaunch();
    EXPECT_EQ(next.message(), QString("Velkor update failed: x\\nBrontilTrashUpdater: fine"));
}

// When the updater copy vanishes before quitting, the application stays open and says so.
TEST_F(UpdateInstall, StaysOpenWhenTheUpdaterCannotStart) {
    const auto controller = makeController();
    checkAndInstall(*controller);
    const auto scheduled = service->scheduledInstallation();
    ASSERT_TRUE(scheduled);
    QFile::remove(scheduled->second);
    controller->setPresented(false);
    EXPECT_EQ(controller->launchScheduledInstallerIfNeeded(),
              UpdateController::TerminateReply::terminateCancel);
    EXPECT_TRUE(controller->message()->startsWith("Could not start the updater: "));
    EXPECT_TRUE(controller->failed());
    EXPECT_TRUE(controller->isPresented());
    EXPECT_FALSE(service->scheduledInstallation());
    EXPECT_EQ(installedMetadata().version, "1.0");
}

} // namespace
} // namespace velkor

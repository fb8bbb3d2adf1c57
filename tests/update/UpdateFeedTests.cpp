#include "QtTestSupport.h"
#include "UpdateTestSupport.h"
#include "base/DomainError.h"
#include "bundle/ApplicationMetadata.h"
#include "bundle/FileDigest.h"
#include "platform/Settings.h"
#include "update/CurrentBundle.h"
#include "update/UpdateController.h"
#include "update/UpdateInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velkor {
namespace {

using testing::LoopbackUpdateServer;
using testing::Route;

const QString digest64 = QString(64, u'a');

TEST(UpdateInfo, DecodesTheFeedAndRefusesBrokenEntries) {
    const UpdateInfo info = UpdateInfo::decode(R"({"version":"2.1","build":"57","size":1234,
        "sha256":"ABCDEF0123456789abcdef0123456789abcdef0123456789abcdef0123456789",
        "download_url":"https://updates.tamsel.com/Velkor-2.1-57.dmg","release_notes":"Faster.",
        "published_at":"2026-12-01","minimum_macos":"12.0","extra":[1,2]})");
    EXPECT_EQ(info.version, "2.1");
    EXPECT_EQ(info.build, "57");
    EXPECT_EQ(info.size, 1234);
    EXPECT_EQ(info.downloadURL.host(), "updates.tamsel.com");
    EXPECT_EQ(info.releaseNotes, "Faster.");
    EXPECT_EQ(info.minimumMacOS, "12.0");
    EXPECT_TRUE(info.supportsAutomaticInstallation());
    EXPECT_EQ(UpdateInfo::decode(info.encode()), info);

    const UpdateInfo minimal =
        UpdateInfo::decode(R"({"version":"2.1","download_url":"https://h/x.dmg"})");
    EXPECT_FALSE(minimal.build || minimal.size || minimal.sha256 || minimal.releaseNotes);
    EXPECT_EQ(UpdateInfo::decode(minimal.encode()), minimal);

    const std::pair<const char*, const char*> broken[] = {
        {R"({"download_url":"https://h/x.dmg"})", "it is missing."},
        {R"({"version":2,"download_url":"https://h/x.dmg"})", "correct format."},
        {R"({"version":"2"})", "it is missing."},
        {R"({"version":"2","download_url":"https://h/x.dmg","size":"12"})", "correct format."},
        {R"({"version":"2","download_url":"https://h/x.dmg","size":1.5})", "correct format."},
        {R"({"version":"2","download_url":"https://h/x.dmg","build":57})", "correct format."},
        {R"({"version":"2","download_url":""})", "correct format."},
        {R"(["version"])", "correct format."},
        {"not json", "correct format."},
    };
    for (const auto& [json, ending] : broken) {
        try {
            UpdateInfo::decode(json);
            ADD_FAILURE() << "accepted " << json;
        } catch (const DomainError& error) {
            EXPECT_TRUE(QString::fromStdString(error.message()).endsWith(ending)) << json;
        }
    }
}

TEST(UpdateInfo, InstallsAutomaticallyOnlyWithBuildSizeAndDigest) {
    UpdateInfo info{"2", "57", 10, digest64.toUpper(), QUrl("https://h/x.dmg"), {}, {}, {}};
    EXPECT_TRUE(info.supportsAutomaticInstallation());
    const std::function<void(UpdateInfo&)> spoilers[] = {
        [](UpdateInfo& i) { i.build.reset(); },
        [](UpdateInfo& i) { i.build = ""; },
        [](UpdateInfo& i) { i.size = 0; },
        [](UpdateInfo& i) { i.size.reset(); },
        [](UpdateInfo& i) { i.sha256 = QString(63, u'a'); },
        [](UpdateInfo& i) { i.sha256 = QString(63, u'a') + u'g'; },
        [](UpdateInfo& i) { i.sha256.reset(); },
    };
    for (const auto& spoil : spoilers) {
        UpdateInfo spoiled = info;
        spoil(spoiled);
        EXPECT_FALSE(spoiled.supportsAutomaticInstallation()) << spoiled.encode().toStdString();
        EXPECT_NE(spoiled, info);
    }
}

// The client digests an image as the updater will, across the 1 MiB chunk border, and a file
// it cannot read is a system failure like every other one of the download.
TEST(UpdateService, DigestsAFileAsTheUpdaterDoesAndReportsAnUnreadableOne) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("image.dmg"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(1'048'576, 'a') + "abc");
    file.close();
    EXPECT_EQ(UpdateService::sha256(path),
              QString::fromStdString(bundle::sha256OfBytes(std::string(1'048'576, 'a') + "abc")));
    EXPECT_EQ(UpdateService::sha256(path).size(), 64);
    try {
        UpdateService::sha256(folder.filePath(QStringLiteral("absent.dmg")));
        ADD_FAILURE() << "digested";
    } catch (const DomainError& error) {
        EXPECT_EQ(error.domain(), "Velkor.System");
        EXPECT_NE(error.message().find("absent.dmg"), std::string::npos);
    }
}

TEST(UpdateService, ComparesVersionsNumberByNumber) {
    struct Row {
        const char* a;
        const char* b;
        std::strong_ordering expected;
    };
    const Row rows[] = {
        {"1.10", "1.9", std::strong_ordering::greater},
        {"1.2", "1.2.0", std::strong_ordering::equal},
        {"V2", "2.0.0", std::strong_ordering::equal},
        {"v2.0", "2", std::strong_ordering::equal},
        {"1.2beta", "1.2", std::strong_ordering::equal},
        {"1..3", "1.3", std::strong_ordering::equal},
        {"beta", "0", std::strong_ordering::equal},
        {"99", "105", std::strong_ordering::less},
        {"1.2.1", "1.2", std::strong_ordering::greater},
        {"99999999999999999999999", "0", std::strong_ordering::equal},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(UpdateService::compareVersions(row.a, row.b), row.expected)
            << row.a << " vs " << row.b;
    }
}

// The running application is a bundle at version 1.9, build 99; the feed is served on loopback.
class FeedCheck : public ::testing::Test {
protected:
    void SetUp() override {
        const QString bundle = loopback.folder() + "/Applications/Velkor.app";
        bundle::writeInfoPlist(bundle.toStdString(),
                               {"com.tamsel.brontil", "1.9", "99", std::string("velkor")});
        setCurrentBundlePath(bundle);
    }

    void serveFeed(const QByteArray& body, int status = 200) {
        loopback.server().setRoute(loopback.feedPath(), Route{status, body, {}, {}, false});
    }

    // Runs one check through a fresh controller and returns it when the check has finished.
    std::unique_ptr<UpdateController> runCheck(UpdateService& service, bool silent) {
        auto controller = std::make_unique<UpdateController>(service);
        controller->checkForUpdates(silent);
        if (controller->isChecking()) {
            EXPECT_EQ(controller->message(), QString("Checking for updates…"));
        }
        EXPECT_TRUE(testing::waitUntil([&] { return !controller->isChecking(); }));
        return controller;
    }

    LoopbackUpdateServer loopback;
};

TEST_F(FeedCheck, OffersOnlyNewerVersionsOrBuildsAndReportsEveryFailure) {
    UpdateService service(loopback.options());
    struct Row {
        QByteArray feed;
        int status;
        std::optional<QString> message; // none: an update is offered
        bool failed;
    };
    const Row rows[] = {
        {R"({"version":"1.10","download_url":"https://h/x.dmg"})", 200, {}, false},
        {R"({"version":"1.9","build":"105","download_url":"https://h/x.dmg"})", 200, {}, false},
        {R"({"version":"1.9.0","download_url":"https://h/x.dmg"})", 200,
         "Velkor is up to date (version 1.9).", false},
        {R"({"version":"v1.9","build":"98","download_url":"https://h/x.dmg"})", 200,
         "Velkor is up to date (version 1.9).", false},
        {R"({"version":"1.8","build":"500","download_url":"https://h/x.dmg"})", 200,
         "Velkor is up to date (version 1.9).", false},
        {R"({"version":"2.0","download_url":"https://h/x.dmg"})", 304,
         "Update check failed: The update feed did not return a successful response.", true},
        {R"({"version":"2.0","download_url":"https://h/x.dmg"})", 500,
         "Update check failed: The update feed did not return a successful response.", true},
        {R"({"version":"2.0"})", 200,
         "Update check failed: The data couldn't be read because it is missing.", true},
        {QByteArray(UpdateService::maxFeedBytes + 1, ' '), 200,
         "Update check failed: The update feed is larger than 1048576 bytes.", true},
    };
    for (const Row& row : rows) {
        serveFeed(row.feed, row.status);
        for (const bool silent : {true, false}) {
            const auto controller = runCheck(service, silent);
            const std::string context = row.feed.left(80).toStdString();
            EXPECT_EQ(controller->message(), row.message) << context;
            EXPECT_EQ(controller->failed(), row.failed) << context;
            EXPECT_EQ(controller->availableUpdate().has_value(), !row.message) << context;
            // Only a found update opens the window by itself.
            EXPECT_EQ(controller->isPresented(), !silent || !row.message) << context;
        }
    }
}

TEST_F(FeedCheck, NeverHangsOnAStalledServerOrTrustsAForeignCertificate) {
    loopback.server().setRoute(loopback.feedPath(), Route{200, {}, {}, {}, true});
    UpdateServiceOptions options = loopback.options();
    options.idleTimeout = std::chrono::milliseconds(300);
    UpdateService stalled(options);
    EXPECT_EQ(runCheck(stalled, false)->message(),
              QString("Update check failed: The request timed out."));

    // A byte every 50 ms is progress, but the whole feed must still arrive within the limit.
    Route trickle{200, R"({"version":"3.0","download_url":"https://h/x.dmg"})", {}, {}, false};
    trickle.trickleMilliseconds = 50;
    loopback.server().setRoute(loopback.feedPath(), trickle);
    UpdateService trickled(options);
    EXPECT_EQ(runCheck(trickled, false)->message(),
              QString("Update check failed: The request timed out."));

    serveFeed(R"({"version":"3.0","download_url":"https://h/x.dmg"})");
    options.trustedCertificates = QList<QSslCertificate>{};
    UpdateService suspicious(options);
    const auto controller = runCheck(suspicious, false);
    EXPECT_TRUE(controller->failed());
    EXPECT_FALSE(controller->availableUpdate());

    options.feedURL = "https://";
    UpdateService misconfigured(options);
    EXPECT_EQ(runCheck(misconfigured, false)->message(),
              QString("Update check failed: Invalid update feed URL."));
}

TEST_F(FeedCheck, IgnoresASecondCheckWhileOneRuns) {
    serveFeed(R"({"version":"3.0","download_url":"https://h/x.dmg"})");
    UpdateService service(loopback.options());
    UpdateController controller(service);
    controller.checkForUpdates(true);
    controller.checkForUpdates(false);
    EXPECT_FALSE(controller.isPresented());
    ASSERT_TRUE(testing::waitUntil([&] { return !controller.isChecking(); }));
    EXPECT_EQ(loopback.server().requestCount(loopback.feedPath()), 1);
    EXPECT_EQ(controller.availableUpdate()->version, "3.0");
    EXPECT_TRUE(controller.isPresented());
}

TEST_F(FeedCheck, ShowsThePreviousInstallAndChecksSilentlyFourSecondsAfterLaunch) {
    serveFeed(R"({"version":"3.0","download_url":"https://h/x.dmg"})");
    UpdateService service(loopback.options());
    const QString statusPath = loopback.options().locations.statusFilePath();
    std::vector<std::pair<std::chrono::milliseconds, std::function<void()>>> scheduled;
    const UpdateController::Hooks hooks{
        {}, [&](std::chrono::milliseconds delay, std::function<void()> work) {
            scheduled.emplace_back(delay, std::move(work));
        }};

    QFile status(statusPath);
    ASSERT_TRUE(status.open(QIODevice::WriteOnly));
    status.write(R"({"succeeded":false,"message":"Velkor update failed: x","version":"3.0"})");
    status.close();
    UpdateController controller(service, hooks);
    controller.handleLaunch();
    EXPECT_EQ(controller.message(), QString("Velkor update failed: x"));
    EXPECT_TRUE(controller.failed());
    EXPECT_TRUE(controller.isPresented());
    EXPECT_FALSE(QFile::exists(statusPath));
    ASSERT_EQ(scheduled.size(), 1u);
    EXPECT_EQ(scheduled[0].first, std::chrono::milliseconds(4000));
    controller.setPresented(false);
    scheduled[0].second();
    EXPECT_FALSE(controller.isPresented()); // silent until something is found
    ASSERT_TRUE(testing::waitUntil([&] { return !controller.isChecking(); }));
    EXPECT_EQ(controller.availableUpdate()->version, "3.0");

    // A status the application cannot read stays for later; the switch turns the check off.
    ASSERT_TRUE(status.open(QIODevice::WriteOnly));
    status.write(R"({"succeeded":"yes"})");
    status.close();
    platform::Settings::setValue(UpdateController::checkAtLaunchKey, false);
    UpdateController quiet(service, hooks);
    quiet.handleLaunch();
    EXPECT_FALSE(quiet.message());
    EXPECT_FALSE(quiet.isPresented());
    EXPECT_TRUE(QFile::exists(statusPath));
    EXPECT_EQ(scheduled.size(), 1u);
}

} // namespace
} // namespace velkor

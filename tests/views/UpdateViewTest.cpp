// The update sheet through a whole check and install attempt against a loopback feed.
#include "views/UpdateView.h"

#include "QtTestSupport.h"
#include "UpdateTestSupport.h"
#include "bundle/ApplicationMetadata.h"
#include "localization/LocalizationManager.h"
#include "update/CurrentBundle.h"
#include "update/UpdateController.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

namespace velkor {
namespace {

using velkor::testing::LoopbackUpdateServer;
using velkor::testing::Route;
using velkor::testing::waitUntil;

TEST(UpdateViewTest, TheSheetShowsEveryStateOfTheControllerAndItsButtonsDriveIt) {
    LoopbackUpdateServer loopback;
    const QString bundle = loopback.folder() + "/Applications/Velkor.app";
    bundle::writeInfoPlist(bundle.toStdString(),
                           {"com.tamsel.brontil", "1.9", "99", std::string("velkor")});
    setCurrentBundlePath(bundle);
    UpdateServiceOptions options = loopback.options();
    options.idleTimeout = std::chrono::milliseconds(300);
    UpdateService service(options);
    UpdateController updates(service);
    QWidget window;
    window.resize(600, 400);
    window.show();
    LocalizationManager localization(QStringList{QStringLiteral("en")});
    UpdateView sheet(updates, localization, &window);
    EXPECT_FALSE(sheet.isVisible());

    // Checking: the sheet opens with progress; a server that never answers ends as an error.
    loopback.server().setRoute(loopback.feedPath(), Route{200, {}, {}, {}, true});
    sheet.checkAgainButton().click(); // the same operation as the menu's check
    updates.setPresented(true);
    ASSERT_TRUE(sheet.isVisible());
    EXPECT_TRUE(sheet.progress().isVisibleTo(&sheet));
    EXPECT_EQ(sheet.message().text(), "Checking for updates...");
    EXPECT_FALSE(sheet.installButton().isVisibleTo(&sheet));
    ASSERT_TRUE(waitUntil([&] { return !updates.isChecking(); }));
    EXPECT_FALSE(sheet.progress().isVisibleTo(&sheet));
    EXPECT_TRUE(sheet.message().text().startsWith("Update check failed: "));
    EXPECT_TRUE(sheet.message().styleSheet().contains("color"));
    EXPECT_FALSE(sheet.availability().isVisibleTo(&sheet));

    // An update without verification data: offered for reading, not for installing.
    loopback.server().setRoute(
        loopback.feedPath(),
        Route{200,
              R"({"version":"2.0","download_url":"https://h/x.dmg","release_notes":"<b>New</b>"})",
              {},
              {},
              false});
    sheet.checkAgainButton().click();
    ASSERT_TRUE(waitUntil([&] { return !updates.isChecking(); }));
    EXPECT_EQ(sheet.availability().text(), "Velkor 2.0 (build ?) is available.");
    EXPECT_EQ(sheet.releaseNotes().text(), "<b>New</b>");
    EXPECT_EQ(sheet.releaseNotes().textFormat(), Qt::PlainText);
    EXPECT_TRUE(sheet.manualNotice().isVisibleTo(&sheet));
    EXPECT_FALSE(sheet.installButton().isVisibleTo(&sheet));
    EXPECT_FALSE(sheet.message().styleSheet().contains("color"));

    // A verifiable update: the install button starts the download and is disabled meanwhile;
    // the missing image ends it as an error.
    const QByteArray feed =
        QStringLiteral(
            R"({"version":"2.0","build":"120","size":10,"sha256":"%1","download_url":"%2"})")
            .arg(QString(64, QLatin1Char('a')), loopback.server().url("/Velkor-2.0.dmg"))
            .toUtf8();
    loopback.server().setRoute(loopback.feedPath(), Route{200, feed, {}, {}, false});
    loopback.server().setRoute("/Velkor-2.0.dmg", Route{404, {}, {}, {}, false});
    sheet.checkAgainButton().click();
    ASSERT_TRUE(waitUntil([&] { return !updates.isChecking(); }));
    EXPECT_EQ(sheet.availability().text(), "Velkor 2.0 (build 120) is available.");
    EXPECT_FALSE(sheet.manualNotice().isVisibleTo(&sheet));
    EXPECT_FALSE(sheet.releaseNotes().isVisibleTo(&sheet));
    ASSERT_TRUE(sheet.installButton().isVisibleTo(&sheet));
    sheet.installButton().click();
    ASSERT_TRUE(updates.isInstalling());
    EXPECT_FALSE(sheet.installButton().isEnabled());
    EXPECT_TRUE(sheet.progress().isVisibleTo(&sheet));
    ASSERT_TRUE(waitUntil([&] { return !updates.isInstalling(); }));
    EXPECT_TRUE(sheet.installButton().isEnabled());
    EXPECT_TRUE(updates.failed());
    EXPECT_EQ(sheet.message().text(), updates.message().value_or(QString()));

    // Close, and closing the window any other way, end the presentation.
    sheet.closeButton().click();
    EXPECT_FALSE(updates.isPresented());
    EXPECT_FALSE(sheet.isVisible());
    updates.setPresented(true);
    ASSERT_TRUE(sheet.isVisible());
    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_FALSE(updates.isPresented());
}

} // namespace
} // namespace velkor

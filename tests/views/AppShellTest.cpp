// The application shell: menus reach their operations, the window opens on a fresh game and
// quits only when allowed, and a bundle installed under its former name is renamed.
#include "AppMenus.h"
#include "BundleVersion.h"
#include "LaunchSequence.h"
#include "LegacyBundleName.h"
#include "MainWindow.h"
#include "UpdateHooks.h"
#include "ViewsFixture.h"
#include "platform/BundledModule.h"
#include "platform/Settings.h"
#include "views/AboutView.h"
#include "views/AfterFirstPaint.h"
#include "views/MainView.h"

#include <QAbstractButton>
#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace velkor {
namespace {

using velkor::testing::waitUntil;

class AppShellTest : public ViewsTest {
protected:
    AppShellTest() {
        AppActions actions;
        actions.openAbout = [this] { ++aboutCalls; };
        actions.checkForUpdates = [this] { ++updateChecks; };
        actions.openPGN = [this] { ++openCalls; };
        actions.savePGN = [this] { ++saveCalls; };
        window = std::make_unique<MainWindow>(game, engines, automatch, localization, sounds,
                                              actions, [this] {
                                                  ++quitRequests;
                                                  return quitAllowed;
                                              });
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void move(const char* from, const char* to) {
        game.handleSquareClick(sq(from));
        game.handleSquareClick(sq(to));
    }

    AppMenus& menus() { return window->menus(); }

    int aboutCalls = 0;
    int updateChecks = 0;
    int openCalls = 0;
    int saveCalls = 0;
    bool quitAllowed = false;
    int quitRequests = 0;
    std::unique_ptr<MainWindow> window;
};

TEST_F(AppShellTest, MenuItemsCallTheirOperationsAndFollowTheGame) {
    // The first show started a game.
    ASSERT_TRUE(waitUntil([&] { return game.clock().isRunning(); }));
    EXPECT_EQ(window->windowTitle(), "Velkor");

    move("e2", "e4");
    menus().undo->trigger();
    EXPECT_TRUE(game.board().history().empty());
    move("e2", "e4");
    menus().newGame->trigger();
    EXPECT_TRUE(game.board().history().empty());

    menus().flipBoard->trigger();
    EXPECT_TRUE(game.isFlipped());

    // Pause and resume through the item and the space bar; the item names what it will do.
    EXPECT_EQ(menus().pause->text(), localization.text("btn_pause"));
    menus().pause->trigger();
    EXPECT_TRUE(game.isPaused());
    EXPECT_EQ(menus().pause->text(), localization.text("btn_resume"));
    QTest::keyClick(window.get(), Qt::Key_Space);
    EXPECT_FALSE(game.isPaused());
    EXPECT_EQ(menus().pause->text(), localization.text("btn_pause"));
    // A blank typed into a text field stays a blank.
    auto* field = new QLineEdit(&window->mainView().panel());
    field->show();
    field->setFocus();
    ASSERT_TRUE(waitUntil([&] { return field->hasFocus(); }));
    QTest::keyClicks(field, QStringLiteral("a b"));
    EXPECT_EQ(field->text(), "a b");
    EXPECT_FALSE(game.isPaused());

    // Labels follow the language at once, the pause item's state included.
    menus().pause->trigger();
    localization.setCurrentLanguage(Language::german);
    EXPECT_EQ(menus().pause->text(), localization.text("btn_resume"));
    EXPECT_EQ(menus().newGame->text(), localization.text("btn_new_game"));
    EXPECT_NE(menus().newGame->text(), "New Game");
    EXPECT_EQ(window->windowTitle(), localization.text("app_title"));
    menus().pause->trigger();

    // A repeated position makes the draw claimable, and only then.
    EXPECT_FALSE(menus().claimDraw->isEnabled());
    for (int round = 0; round < 2; ++round) {
        move("g1", "f3");
        move("g8", "f6");
        move("f3", "g1");
        move("f6", "g8");
    }
    ASSERT_TRUE(menus().claimDraw->isEnabled());
    menus().claimDraw->trigger();
    EXPECT_EQ(game.gameEndReason(), GameEndReason::threefoldRepetition());
    EXPECT_FALSE(menus().claimDraw->isEnabled());
    EXPECT_FALSE(menus().resign->isEnabled());

    // Resigning asks first; cancelling keeps the game going.
    menus().newGame->trigger();
    ASSERT_TRUE(menus().resign->isEnabled());
    const auto question = [&] { return window->findChild<QMessageBox*>("resignQuestion"); };
    menus().resign->trigger();
    ASSERT_TRUE(waitUntil([&] { return question() && question()->isVisible(); }));
    EXPECT_FALSE(game.isGameOver());
    QTest::keyClick(question(), Qt::Key_Escape);
    ASSERT_TRUE(waitUntil([&] { return !question(); }));
    EXPECT_FALSE(game.isGameOver());
    menus().resign->trigger();
    ASSERT_TRUE(waitUntil([&] { return question() && question()->isVisible(); }));
    auto* confirm = question()->findChild<QAbstractButton*>("confirmButton");
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm->text(), localization.text("btn_resign"));
    QTest::mouseClick(confirm, Qt::LeftButton);
    EXPECT_EQ(game.gameEndReason(), GameEndReason::resignation(PieceColor::black));

    const bool muted = sounds.isMuted();
    EXPECT_EQ(menus().sounds->isChecked(), !muted);
    menus().sounds->trigger();
    EXPECT_EQ(sounds.isMuted(), !muted);
    EXPECT_EQ(menus().sounds->isChecked(), muted);

    menus().about->trigger();
    menus().checkForUpdates->trigger();
    menus().openPGN->trigger();
    menus().savePGN->trigger();
    EXPECT_EQ(aboutCalls, 1);
    EXPECT_EQ(updateChecks, 1);
    EXPECT_EQ(openCalls, 1);
    EXPECT_EQ(saveCalls, 1);
}

TEST_F(AppShellTest, MenuAndPanelButtonsRunOneCommandWithOneRule) {
    ASSERT_TRUE(waitUntil([&] { return game.clock().isRunning(); }));
    auto& panel = window->mainView().panel();
    const auto button = [&](const char* name) {
        auto* found = panel.findChild<QAbstractButton*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    };
    // Item and button agree on every state: neither can undo before the first move.
    const auto agree = [&] {
        for (const auto& [item, name] :
             {std::pair{menus().undo, "undoButton"}, std::pair{menus().resign, "resignButton"},
              std::pair{menus().claimDraw, "claimDrawButton"},
              std::pair{menus().pause, "pauseButton"}}) {
            EXPECT_EQ(item->isEnabled(), button(name)->isEnabled()) << name;
            EXPECT_EQ(item->text(), button(name)->toolTip()) << name;
        }
    };
    EXPECT_FALSE(menus().undo->isEnabled());
    agree();
    move("e2", "e4");
    EXPECT_TRUE(menus().undo->isEnabled());
    agree();

    // A button runs the item's operation, and the item reads what the button did.
    QTest::mouseClick(button("pauseButton"), Qt::LeftButton);
    EXPECT_TRUE(game.isPaused());
    EXPECT_EQ(menus().pause->text(), localization.text("btn_resume"));
    agree();
    menus().pause->trigger();
    EXPECT_FALSE(game.isPaused());
    QTest::mouseClick(button("undoButton"), Qt::LeftButton);
    EXPECT_TRUE(game.board().history().empty());
    agree();

    for (int round = 0; round < 2; ++round) {
        move("g1", "f3");
        move("g8", "f6");
        move("f3", "g1");
        move("f6", "g8");
    }
    agree();
    QTest::mouseClick(button("claimDrawButton"), Qt::LeftButton);
    EXPECT_EQ(game.gameEndReason(), GameEndReason::threefoldRepetition());
    EXPECT_FALSE(menus().resign->isEnabled());
    agree();
    localization.setCurrentLanguage(Language::german);
    agree();
}

TEST_F(AppShellTest, ClosingTheWindowQuitsOnlyWhenTheQuitPathAllows) {
    window->resize(1234, 801);
    window->close();
    EXPECT_TRUE(window->isVisible());
    quitAllowed = true;
    window->close();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(quitRequests, 2);

    // A quit asked of the application (as the update client does) takes the same path.
    QCoreApplication::processEvents(); // the earlier close's own quit, outside a running loop
    window->show();
    quitAllowed = false;
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QTimer::singleShot(100, qApp, [this] {
        EXPECT_TRUE(window->isVisible());
        quitAllowed = true;
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    EXPECT_EQ(quitRequests, 4);
    EXPECT_FALSE(window->isVisible());
    // The next window opens with the same size.
    MainWindow next(game, engines, automatch, localization, sounds, {});
    EXPECT_EQ(next.size(), QSize(1234, 801));
}

// A folder holding one bundle under the given name.
QString makeBundle(const QString& folder, const QString& name) {
    const QString bundle = QDir(folder).filePath(name);
    EXPECT_TRUE(QDir().mkpath(bundle + "/Contents/MacOS"));
    return bundle;
}

TEST(LegacyBundleNameTest, OnlyAFormerlyNamedBundleOutsideAnImageWithoutANewerOneIsRenamed) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString images = root.filePath("images");

    const QString installed = makeBundle(root.filePath("apps"), "Brontil Trash.app");
    const auto renamed = LegacyBundleName::renameIfNeeded(installed, images);
    ASSERT_TRUE(renamed);
    EXPECT_EQ(*renamed, root.filePath("apps/Velkor.app"));
    EXPECT_TRUE(QDir(*renamed + "/Contents/MacOS").exists());
    EXPECT_FALSE(QDir(installed).exists());

    // A newer bundle beside it (even only a file of that name) wins.
    const QString beside = makeBundle(root.filePath("both"), "Brontil Trash.app");
    makeBundle(root.filePath("both"), "Velkor.app");
    EXPECT_FALSE(LegacyBundleName::renameIfNeeded(beside, images));
    EXPECT_TRUE(QDir(beside).exists());
    const QString besideFile = makeBundle(root.filePath("file"), "Brontil Trash.app");
    QFile blocker(root.filePath("file/Velkor.app"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(LegacyBundleName::renameIfNeeded(besideFile, images));

    // Started from an unpacked image, also when reached through a link to the image folder.
    const QString mounted = makeBundle(images + "/image-1", "Brontil Trash.app");
    EXPECT_FALSE(LegacyBundleName::renameIfNeeded(mounted, images));
    ASSERT_TRUE(QFile::link(images, root.filePath("shortcut")));
    EXPECT_FALSE(LegacyBundleName::renameIfNeeded(
        root.filePath("shortcut/image-1/Brontil Trash.app"), images));
    EXPECT_TRUE(QDir(mounted).exists());

    // Any other name stays.
    const QString other = makeBundle(root.filePath("other"), "Brontil Trash 2.app");
    EXPECT_FALSE(LegacyBundleName::renameIfNeeded(other, images));

    // At launch: the bundle is renamed, its new place passed on, then the update hand-off runs.
    const QString launched = makeBundle(root.filePath("launch"), "Brontil Trash.app");
    QString current = launched;
    std::vector<QString> steps;
    UpdateHooks hooks;
    hooks.currentBundlePath = [&] { return current; };
    hooks.bundleMoved = [&](const QString& path) {
        current = path;
        steps.push_back("moved " + path);
    };
    hooks.handleLaunch = [&] { steps.push_back("launch"); };
    QWidget window;
    runLaunchSequence(window, hooks);
    const std::vector<QString> expected{"moved " + root.filePath("launch/Velkor.app"), "launch"};
    EXPECT_EQ(steps, expected);
}

// The update client comes from the update module, loaded once the window is up: with the module
// every hook is there (and with nothing scheduled, quitting is allowed); without it the program
// runs on with empty hooks.
TEST(UpdateModuleTest, GivesTheProgramTheUpdateClientOrNothing) {
    const UpdateHooks hooks = loadBundledUpdateHooks();
    ASSERT_TRUE(hooks.handleLaunch && hooks.checkForUpdates && hooks.mayQuit && hooks.attachSheet &&
                hooks.bundleMoved && hooks.currentBundlePath);
    EXPECT_TRUE(hooks.mayQuit());
    EXPECT_FALSE(hooks.currentBundlePath().isEmpty());

    const QTemporaryDir empty;
    platform::setBundledModuleFolder(empty.path());
    const UpdateHooks none = loadBundledUpdateHooks();
    EXPECT_FALSE(none.handleLaunch || none.checkForUpdates || none.mayQuit || none.attachSheet ||
                 none.bundleMoved || none.currentBundlePath);
}

TEST_F(AppShellTest, AboutOpensOverTheMainWindowAndEscClosesIt) {
    const QRect screen = window->screen()->availableGeometry();
    window->move(screen.topLeft() + QPoint(10, 10));
    auto* about = new AboutView(localization, BundleVersion{}, window.get());
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->setWindowFlags(Qt::Dialog);
    placeOver(*about, window.get());
    about->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(about));
    EXPECT_TRUE(screen.contains(about->frameGeometry()));
    EXPECT_TRUE(window->frameGeometry().contains(about->frameGeometry().center()));

    const QPointer<AboutView> open(about);
    about->activateWindow();
    QTest::keyClick(about, Qt::Key_Escape);
    EXPECT_TRUE(waitUntil([&] { return !open; }));

    // An owner hanging over the screen's corner: the window still opens wholly on the screen.
    QWidget owner;
    owner.setGeometry(screen.right() - 150, screen.bottom() - 100, 600, 500);
    owner.show();
    AboutView stray(localization, BundleVersion{});
    placeOver(stray, &owner);
    EXPECT_TRUE(screen.contains(QRect(stray.pos(), stray.size())));
}

TEST(AboutVersionTest, TheVersionLineShowsAQuestionMarkForEachMissingValue) {
    QTemporaryDir root;
    ASSERT_TRUE(QDir().mkpath(root.filePath("Velkor.app/Contents")));
    QFile plist(root.filePath("Velkor.app/Contents/Info.plist"));
    ASSERT_TRUE(plist.open(QIODevice::WriteOnly));
    plist.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>CFBundleIdentifier</key><string>org.tamsel.velkor</string>
<key>Nested</key><dict><key>CFBundleVersion</key><string>999</string></dict>
<key>CFBundleShortVersionString</key><string>1.4.2</string>
</dict></plist>)");
    plist.close();
    const BundleVersion version = readBundleVersion(root.filePath("Velkor.app"));
    EXPECT_EQ(versionLine("Version", version), "Version 1.4.2 (?)");
    EXPECT_EQ(versionLine("Version", readBundleVersion(root.filePath("missing.app"))),
              "Version ? (?)");
}

// Work waiting for the window runs exactly once: after the first paint of a shown widget (the
// hook installed last first), after the deadline for a widget that never paints, and never for
// a widget that is gone.
TEST(AfterFirstPaintTest, RunsOnceAfterThePaintOrTheDeadlineAndNeverForAGoneWidget) {
    using namespace std::chrono_literals;
    std::vector<QString> ran;
    QWidget shown;
    runAfterFirstPaint(
        shown, [&] { ran.push_back(QStringLiteral("early")); }, 60s);
    runAfterFirstPaint(shown, [&] { ran.push_back(QStringLiteral("late")); });
    velkor::testing::processEventsFor(30ms);
    EXPECT_TRUE(ran.empty());
    shown.show();
    ASSERT_TRUE(waitUntil([&] { return ran.size() == 2; }));
    EXPECT_EQ(ran, (std::vector<QString>{QStringLiteral("late"), QStringLiteral("early")}));
    shown.repaint();
    velkor::testing::processEventsFor(30ms);
    EXPECT_EQ(ran.size(), 2u);

    int unpainted = 0;
    QWidget hidden;
    runAfterFirstPaint(
        hidden, [&] { ++unpainted; }, 20ms);
    ASSERT_TRUE(waitUntil([&] { return unpainted == 1; }));
    hidden.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&hidden));
    velkor::testing::processEventsFor(30ms);
    EXPECT_EQ(unpainted, 1);

    int afterDeath = 0;
    {
        QWidget gone;
        runAfterFirstPaint(
            gone, [&] { ++afterDeath; }, 10ms);
        gone.show();
    }
    velkor::testing::processEventsFor(50ms);
    EXPECT_EQ(afterDeath, 0);
}

} // namespace
} // namespace velkor

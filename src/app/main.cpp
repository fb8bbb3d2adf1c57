// Velkor: the chess application. Creates the long-lived controllers, opens the main window and
// runs the launch sequence; the Qt event loop is the program's only main loop.
#include "BundleVersion.h"
#include "DisplayCheck.h"
#include "LaunchSequence.h"
#include "MainWindow.h"
#include "OpenRequest.h"
#include "UpdateHooks.h"
#include "WidgetMap.h"
#include "automatch/AutomatchManager.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "platform/AllocatorTuning.h"
#include "platform/Settings.h"
#include "platform/SoundManager.h"
#include "uci/EngineManager.h"
#include "views/AboutView.h"
#include "views/AfterFirstPaint.h"
#include "views/AppIcon.h"
#include "views/LocalizedText.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

// For the start-up benchmark: once `window` has painted for the first time, writes the
// CLOCK_MONOTONIC time in nanoseconds to the file named by $VELKOR_FIRST_PAINT_STAMP. Does
// nothing when the variable is unset.
void stampFirstPaint(QWidget& window) {
    const QString path = qEnvironmentVariable("VELKOR_FIRST_PAINT_STAMP");
    if (path.isEmpty()) {
        return;
    }
    velkor::runAfterFirstPaint(window, [path] {
        timespec now{};
        ::clock_gettime(CLOCK_MONOTONIC, &now);
        const qint64 nanoseconds = static_cast<qint64>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            file.write(QByteArray::number(nanoseconds) + '\n');
        }
    });
}

} // namespace

int main(int argc, char** argv) {
    velkor::platform::limitAllocatorArenas();
    // A dying engine must not take the program down with it when we write to its pipe.
    std::signal(SIGPIPE, SIG_IGN);
    velkor::DisplayCheck display(argc, argv);
    if (!display.problem().empty()) {
        std::fprintf(stderr, "%s\n", display.problem().c_str());
        return EXIT_FAILURE;
    }
    QApplication app(argc, argv);
    display.release();
    QApplication::setApplicationName(QStringLiteral("Velkor"));
    QApplication::setDesktopFileName(QStringLiteral("velkor"));

    using namespace velkor;
    // A game or position named on the command line (a file opened from the desktop) goes to the
    // program already running on this display, if there is one; this start then ends at once.
    // argv holds what the toolkit left after taking its own options.
    QStringList arguments;
    for (int index = 1; index < argc; ++index) {
        arguments.append(QString::fromLocal8Bit(argv[index]));
    }
    const std::optional<OpenRequest> request =
        openRequestFromArguments(arguments, QDir::currentPath());
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString service =
        openServiceName(qEnvironmentVariable("DISPLAY", qEnvironmentVariable("WAYLAND_DISPLAY")));
    auto* openRequests = new OpenRequestReceiver(&app);
    if (!openRequests->listen(bus, service) && request &&
        handOverOpenRequest(bus, service, *request)) {
        return EXIT_SUCCESS;
    }
    // A store that cannot be written is said at once, before the session's changes are lost.
    platform::Settings::checkWritable();
    LocalizationManager& localization = LocalizationManager::shared();
    platform::SoundManager& sounds = platform::SoundManager::shared();
    GameManager& game = GameManager::shared();
    EngineManager& engines = EngineManager::shared();
    AutomatchManager& automatch = AutomatchManager::shared();
    // The update module is loaded once the window is up; until then the hooks are empty (the
    // menu's check does nothing and quitting is allowed).
    const auto updates = std::make_shared<UpdateHooks>();

    QPointer<QWidget> aboutWindow;
    // The About window opens over the main window, which exists once the menus are built.
    QPointer<QWidget> mainWindow;
    AppActions actions;
    actions.checkForUpdates = [updates] {
        if (updates->checkForUpdates) {
            updates->checkForUpdates();
        }
    };
    actions.openAbout = [&aboutWindow, &mainWindow, &localization, updates] {
        // One About window: asking again brings the open one to the front.
        if (!aboutWindow) {
            const QString bundle =
                updates->currentBundlePath ? updates->currentBundlePath() : QString();
            // A dialog of the main window: it stays above it and the window manager keeps it
            // with it.
            aboutWindow = new AboutView(localization, readBundleVersion(bundle), mainWindow);
            aboutWindow->setAttribute(Qt::WA_DeleteOnClose);
            aboutWindow->setObjectName(QStringLiteral("about"));
            aboutWindow->setWindowFlags(Qt::Dialog);
            bindLocalizedText(aboutWindow, localization, QStringLiteral("menu_about"),
                              [window = aboutWindow.data()](const QString& title) {
                                  window->setWindowTitle(title);
                              });
            placeOver(*aboutWindow, mainWindow);
        }
        aboutWindow->show();
        aboutWindow->raise();
        aboutWindow->activateWindow();
    };

    MainWindow window(game, engines, automatch, localization, sounds, std::move(actions),
                      [updates] { return !updates->mayQuit || updates->mayQuit(); });
    window.setObjectName(QStringLiteral("mainWindow"));
    mainWindow = &window;
    startWidgetMapIfAsked(game, window);
    // Once the window is up: the icon is drawn (nobody sees it before), unless the moved bundle
    // brought its own, the sound module is loaded, and the update module with the launch
    // sequence; a window that is not painted (started minimised) gets them after a second.
    runAfterFirstPaint(
        window,
        [&window, &localization, updates] {
            platform::loadBundledSoundPlayer();
            *updates = loadBundledUpdateHooks();
            if (updates->attachSheet) {
                updates->attachSheet(window, localization);
            }
            runLaunchSequence(window, *updates);
            if (QApplication::windowIcon().isNull()) {
                QApplication::setWindowIcon(appIcon());
            }
        },
        std::chrono::seconds(1));
    QObject::connect(openRequests, &OpenRequestReceiver::requested, &window,
                     [&window, &game, &localization](const OpenRequest& asked) {
                         openInWindow(window, game, localization, asked);
                     });
    if (request) {
        // Installed before the window shows, so it acts after the window has started its
        // opening game, which the request then replaces.
        runAfterFirstPaint(
            window,
            [&window, &game, &localization, asked = *request] {
                QMetaObject::invokeMethod(
                    &window,
                    [&window, &game, &localization, asked] {
                        openInWindow(window, game, localization, asked);
                    },
                    Qt::QueuedConnection);
            },
            std::chrono::seconds(1));
    }
    window.show();
    // Watchers installed last act first: the stamp marks the first frame before anything that
    // waits for it starts.
    stampFirstPaint(window);
    const int status = QApplication::exec();
    delete aboutWindow.data();
    return status;
}

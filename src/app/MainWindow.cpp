#include "MainWindow.h"

#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "platform/Settings.h"
#include "platform/StoreAlerts.h"
#include "views/AfterFirstPaint.h"
#include "views/LocalizedText.h"
#include "views/MainView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMenuBar>
#include <QMessageBox>

namespace velkor {

MainWindow::MainWindow(GameManager& game, EngineManager& engines, AutomatchManager& automatch,
                       LocalizationManager& localization, platform::SoundManager& sounds,
                       AppActions actions, std::function<bool()> mayQuit, QWidget* parent)
    : QMainWindow(parent), m_game(game), m_localization(localization),
      m_view(new MainView(game, engines, automatch, localization, this)),
      m_mayQuit(std::move(mayQuit)) {
    setCentralWidget(m_view);
    setUnifiedTitleAndToolBarOnMac(true);
    if (!actions.quit) {
        actions.quit = [this] { close(); };
    }
    m_menus = new AppMenus(*menuBar(), *this, game, sounds, localization, std::move(actions));
    bindLocalizedText(this, localization, QStringLiteral("app_title"),
                      [this](const QString& title) { setWindowTitle(title); });
    setMinimumSize(MainView::panelWidth + 380, 520);
    const QByteArray geometry = platform::Settings::value(geometryKey).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        resize(MainView::panelWidth + 700, 760);
    }
    connect(&platform::StoreAlerts::shared(), &platform::StoreAlerts::alertsChanged, this,
            &MainWindow::showStoreAlerts);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (m_shownBefore) {
        return;
    }
    m_shownBefore = true;
    // The program opens on a fresh game; a game loaded before the window appeared stays. It
    // starts once the first frame is out, so starting the engines does not hold the window back,
    // or after a second when the window is not painted (started minimised, for example).
    runAfterFirstPaint(
        *this,
        [this] {
            if (m_game.board().history().empty() && !m_game.isGameOver()) {
                m_game.startOpeningGame();
            }
            // After everything else the first frame sets off, so that the launch sequence bringing
            // the window to the front does not cover the alerts.
            m_mayShowAlerts = true;
            QMetaObject::invokeMethod(this, &MainWindow::showStoreAlerts, Qt::QueuedConnection);
        },
        std::chrono::seconds(1));
}

void MainWindow::showStoreAlerts() {
    if (!m_mayShowAlerts) {
        return;
    }
    const QList<platform::StoreAlert>& alerts = platform::StoreAlerts::shared().alerts();
    for (; m_storeAlertsShown < alerts.size(); ++m_storeAlertsShown) {
        const platform::StoreAlert& alert = alerts[m_storeAlertsShown];
        auto* box =
            new QMessageBox(QMessageBox::Warning, m_localization.text(QStringLiteral("app_title")),
                            m_localization.text(alert.textKey), QMessageBox::Ok, this);
        box->setObjectName(QStringLiteral("storeAlert"));
        // The file and key stand beside the text, selectable so they can be copied.
        box->setInformativeText(alert.details);
        box->setTextInteractionFlags(Qt::TextSelectableByMouse);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_mayQuit && !m_mayQuit()) {
        event->ignore();
        return;
    }
    platform::Settings::setValue(geometryKey, saveGeometry());
    event->accept();
    // Closing the main window ends the program even while the About window is still open.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace velkor

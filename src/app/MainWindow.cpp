#include "MainWindow.h"

#include "game/AnalysisEngine.h"
#include "game/AnalysisFollower.h"
#include "game/AnalysisVariation.h"
#include "game/GameManager.h"
#include "game/LowTimeWarning.h"
#include "localization/LocalizationManager.h"
#include "platform/Settings.h"
#include "platform/StoreAlerts.h"
#include "uci/EngineManager.h"
#include "views/AfterFirstPaint.h"
#include "views/AnalysisArrowsOverlay.h"
#include "views/AnalysisPanel.h"
#include "views/BoardView.h"
#include "views/LocalizedText.h"
#include "views/MainView.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QMenuBar>
#include <QMessageBox>
#include <algorithm>

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
    new LowTimeWarning(game.clock(), sounds, this);
    bindLocalizedText(this, localization, QStringLiteral("app_title"),
                      [this](const QString& title) { setWindowTitle(title); });
    setMinimumSize(MainView::panelWidth + 380, 520);
    const QByteArray geometry = platform::Settings::value(geometryKey).toByteArray();
    if (geometry.isEmpty() || !restoreGeometry(geometry)) {
        resize(MainView::panelWidth + 700, 760);
    }
    connect(&platform::StoreAlerts::shared(), &platform::StoreAlerts::alertsChanged, this,
            &MainWindow::showStoreAlerts);
    setUpAnalysis(engines);
}

void MainWindow::setUpAnalysis(EngineManager& engines) {
    m_analysis = new AnalysisEngine({}, this);
    m_analysisBoard = new AnalysisVariation(this);
    // The default engine until the person picks another in the panel; a removed engine gives
    // way to the next one.
    const auto chooseDefault = [this, &engines] {
        const QList<EngineConfiguration> installed =
            EngineManager::prioritized(engines.availableEngines());
        const auto& current = m_analysis->engine();
        const bool stillInstalled =
            current && std::any_of(installed.begin(), installed.end(),
                                   [&current](const EngineConfiguration& engine) {
                                       return engine.id == current->id;
                                   });
        if (!stillInstalled) {
            m_analysis->setEngine(installed.isEmpty() ? std::nullopt
                                                      : std::optional(installed.first()));
        }
    };
    chooseDefault();
    connect(&engines, &EngineManager::availableEnginesChanged, this, chooseDefault);
    new AnalysisFollower(m_game, *m_analysis, *m_analysisBoard, this);
    new AnalysisArrowsOverlay(m_view->boardView(), m_game, *m_analysis, *m_analysisBoard);

    auto* dock = new QDockWidget(this);
    dock->setObjectName(QStringLiteral("analysisDock"));
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    dock->setWidget(
        new AnalysisPanel(*m_analysis, *m_analysisBoard, engines, m_localization, dock));
    bindLocalizedText(dock, m_localization, QStringLiteral("analysis_title"),
                      [dock](const QString& title) { dock->setWindowTitle(title); });
    addDockWidget(Qt::RightDockWidgetArea, dock);
    dock->hide();

    QAction* analyse = m_menus->analyse;
    connect(analyse, &QAction::toggled, this, [this, dock](bool on) {
        if (on) {
            dock->show();
        }
        m_analysis->setActive(on);
    });
    connect(m_analysis, &AnalysisEngine::isActiveChanged, analyse, &QAction::setChecked);
    connect(m_analysis, &AnalysisEngine::isActiveChanged, dock, [dock](bool on) {
        if (on) {
            dock->show();
        }
    });
    // A hidden panel shows nobody the lines: the engine stops rather than burn the processor.
    connect(dock, &QDockWidget::visibilityChanged, this, [this, dock](bool visible) {
        if (!visible && dock->isHidden()) {
            m_analysis->setActive(false);
        }
    });
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
    // The engine is told to quit now, not when the window is finally destroyed.
    m_analysis->shutDown();
    event->accept();
    // Closing the main window ends the program even while the About window is still open.
    QMetaObject::invokeMethod(qApp, &QCoreApplication::quit, Qt::QueuedConnection);
}

} // namespace velkor

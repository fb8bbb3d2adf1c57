#pragma once

#include "AppMenus.h"

#include <QMainWindow>
#include <functional>

namespace velkor {

class AnalysisEngine;
class AnalysisVariation;
class AutomatchManager;
class EngineManager;
class GameManager;
class LocalizationManager;
class MainView;
namespace platform {
class SoundManager;
}

// The main window: the main view under the menus, titled in the current language. It remembers
// its size and place, starts a fresh game when first shown on an empty board, and closing it
// quits the program unless `mayQuit` (a scheduled update that cannot start) says no. Once it is
// up it shows each alert about stored data (platform::StoreAlerts) in an alert of its own. The
// analysis panel docks on the right while the analysis is wanted; hiding it stops the engine.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // The settings key holding the window's size and place.
    static inline const QString geometryKey = QStringLiteral("BrontilMainWindowGeometry");

    MainWindow(GameManager& game, EngineManager& engines, AutomatchManager& automatch,
               LocalizationManager& localization, platform::SoundManager& sounds,
               AppActions actions, std::function<bool()> mayQuit = {}, QWidget* parent = nullptr);

    MainView& mainView() const { return *m_view; }
    AppMenus& menus() const { return *m_menus; }
    AnalysisEngine& analysis() const { return *m_analysis; }
    AnalysisVariation& analysisBoard() const { return *m_analysisBoard; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showStoreAlerts();
    // The analysis engine, its panel in a dock on the right, its arrows over the board and the
    // Analyse item that starts and stops it.
    void setUpAnalysis(EngineManager& engines);

    GameManager& m_game;
    LocalizationManager& m_localization;
    MainView* m_view;
    AppMenus* m_menus;
    AnalysisEngine* m_analysis = nullptr;
    AnalysisVariation* m_analysisBoard = nullptr;
    std::function<bool()> m_mayQuit;
    bool m_shownBefore = false;
    bool m_mayShowAlerts = false;
    qsizetype m_storeAlertsShown = 0;
};

} // namespace velkor

#pragma once

#include "AppMenus.h"

#include <QMainWindow>
#include <functional>

namespace velkor {

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
// up it shows each alert about stored data (platform::StoreAlerts) in an alert of its own.
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

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void showStoreAlerts();

    GameManager& m_game;
    LocalizationManager& m_localization;
    MainView* m_view;
    AppMenus* m_menus;
    std::function<bool()> m_mayQuit;
    bool m_shownBefore = false;
    bool m_mayShowAlerts = false;
    qsizetype m_storeAlertsShown = 0;
};

} // namespace velkor

#pragma once

#include <QWidget>
#include <array>
#include <functional>

class QStackedWidget;

namespace velkor {

class AutomatchManager;
class EngineManager;
class GameManager;
class LocalizationManager;

namespace panel {
class PanelHeader;
class PanelTabBar;
class Toast;
} // namespace panel

// The panel beside the board: the header with the language menu and the status badge, the
// automatch strip, six tabs (game state, engine analysis, automatch, new game, engines, export),
// a toast for short confirmations and the bar of game buttons. It only reads the managers'
// published state and calls their operations.
class RightPanelView : public QWidget {
    Q_OBJECT

public:
    enum Tab { gameTab, engineTab, automatchTab, newGameTab, enginesTab, exportTab };
    static constexpr int tabCount = 6;

    // When the tabs' contents are built. The window's panel shows the first tab at once and builds
    // the hidden ones after its first paint, one per turn of the event loop (or at once when one
    // is picked sooner), so they do not delay the window's appearance.
    enum class TabBuilding { allAtOnce, hiddenAfterFirstPaint };

    RightPanelView(GameManager& games, EngineManager& engines, AutomatchManager& automatch,
                   LocalizationManager& localization, QWidget* parent = nullptr,
                   TabBuilding building = TabBuilding::allAtOnce);

    int selectedTab() const;
    void setSelectedTab(int tab);

    // Shows `message` over the bottom of the panel for a moment; a newer one replaces it.
    void showToast(const QString& message);
    // The message on show, empty when none is.
    QString toastMessage() const;

    QSize sizeHint() const override { return {400, 900}; }

private:
    void buildTab(int tab);
    void buildNextHiddenTab();

    panel::PanelHeader* m_header;
    panel::PanelTabBar* m_tabBar;
    QStackedWidget* m_tabs;
    panel::Toast* m_toast;
    // Makers of the tabs not built yet; empty once built.
    std::array<std::function<QWidget*()>, tabCount> m_unbuiltTabs;
};

} // namespace velkor

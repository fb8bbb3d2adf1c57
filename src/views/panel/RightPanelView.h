#pragma once

#include <QWidget>

class QStackedWidget;

namespace velkor {

class AutomatchManager;
class EngineManager;
class GameManager;
class LocalizationManager;

namespace panel {
class EngineEloRanges;
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

    RightPanelView(GameManager& games, EngineManager& engines, AutomatchManager& automatch,
                   LocalizationManager& localization, QWidget* parent = nullptr);

    int selectedTab() const;
    void setSelectedTab(int tab);

    // Shows `message` over the bottom of the panel for a moment; a newer one replaces it.
    void showToast(const QString& message);
    // The message on show, empty when none is.
    QString toastMessage() const;

    QSize sizeHint() const override { return {400, 900}; }

private:
    void addTab(QWidget* content);

    panel::EngineEloRanges* m_ranges;
    panel::PanelHeader* m_header;
    panel::PanelTabBar* m_tabBar;
    QStackedWidget* m_tabs;
    panel::Toast* m_toast;
};

} // namespace velkor

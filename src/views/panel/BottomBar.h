#pragma once

#include <QWidget>

class QToolButton;

namespace velkor {
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The game buttons under the tabs: new game, flip board, undo, pause/resume, resign (after
// asking) and claim draw (only while a draw can be claimed). Icons, with help texts.
class BottomBar : public QWidget {
    Q_OBJECT

public:
    BottomBar(GameManager& games, LocalizationManager& localization, QWidget* parent = nullptr);

private:
    QToolButton* addButton(const QString& objectName, const QString& glyph);
    void refresh();

    GameManager& m_games;
    LocalizationManager& m_localization;
    QToolButton* m_pause;
    QToolButton* m_resign;
    QToolButton* m_claimDraw;
    QToolButton* m_undo;
};

} // namespace velkor::panel

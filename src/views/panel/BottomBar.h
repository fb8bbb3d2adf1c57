#pragma once

#include <QWidget>

class QAction;
class QToolButton;

namespace velkor {
class GameCommands;
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The game buttons under the tabs: new game, flip board, undo, pause/resume, resign (after
// asking) and claim draw. Icons, with the commands' texts as help texts; each button runs the
// window's shared command and is enabled exactly when the command is.
class BottomBar : public QWidget {
    Q_OBJECT

public:
    BottomBar(GameManager& games, LocalizationManager& localization, QWidget* parent = nullptr);

private:
    QToolButton* addButton(QAction* command, const QString& objectName, const QString& glyph);

    GameCommands& m_commands;
};

} // namespace velkor::panel

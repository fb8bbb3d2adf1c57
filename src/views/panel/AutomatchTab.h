#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace velkor {
class AutomatchManager;
class EngineManager;
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// A series of engine games: its state, the settings (locked while it runs), start, pause and
// stop, the scoreboard and the history.
class AutomatchTab : public QWidget {
    Q_OBJECT

public:
    AutomatchTab(AutomatchManager& automatch, GameManager& games, EngineManager& engines,
                 LocalizationManager& localization, QWidget* parent = nullptr);

signals:
    void toastRequested(const QString& message);

private:
    void refresh();

    AutomatchManager& m_automatch;
    LocalizationManager& m_localization;
    QLabel* m_status;
    QLabel* m_message;
    QPushButton* m_start;
    QPushButton* m_pause;
    QPushButton* m_stop;
};

} // namespace velkor::panel

#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace velkor {
namespace automatch {
class FullSpeedMatch;
}
class AutomatchManager;
class EngineManager;
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

class AutomatchConfigCard;

// A series of engine games, watched on the board ("Watch": its state, the settings locked while
// it runs, start, pause and stop, the scoreboard) or played at full speed in the background
// ("Full speed": its settings, progress and statistics, the fastchess command, importing a
// match file); both with the history below.
class AutomatchTab : public QWidget {
    Q_OBJECT

public:
    AutomatchTab(AutomatchManager& automatch, GameManager& games, EngineManager& engines,
                 LocalizationManager& localization, QWidget* parent = nullptr);

    automatch::FullSpeedMatch& fullSpeedMatch() const { return *m_fullSpeed; }

signals:
    void toastRequested(const QString& message);

private:
    void refresh();
    void copyFastchessCommand();
    void chooseMatchToImport();
    void importMatchFile(const QString& path);

    AutomatchManager& m_automatch;
    LocalizationManager& m_localization;
    QLabel* m_status;
    QLabel* m_message;
    QPushButton* m_start;
    QPushButton* m_pause;
    QPushButton* m_stop;
    automatch::FullSpeedMatch* m_fullSpeed;
    QPushButton* m_watchMode;
    QPushButton* m_fullSpeedMode;
    AutomatchConfigCard* m_config;
    QWidget* m_watchControls;
    QWidget* m_scoreboard;
    QWidget* m_fullSpeedControls;
    QPushButton* m_fullSpeedStart;
    QPushButton* m_fullSpeedStop;
    QPushButton* m_copyCommand;
    QPushButton* m_importMatch;
};

} // namespace velkor::panel

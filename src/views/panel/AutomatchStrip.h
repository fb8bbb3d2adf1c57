#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace velkor {
class AutomatchManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// The strip above the tabs while a series runs: game number, both engines' points and wins, the
// countdown to the next game, a stop button and a link to the history; after the series ends,
// the finished note with a chequered flag. Hidden otherwise.
class AutomatchStrip : public QWidget {
    Q_OBJECT

public:
    AutomatchStrip(AutomatchManager& automatch, LocalizationManager& localization,
                   QWidget* parent = nullptr);

signals:
    void historyRequested();

private:
    void refresh();

    AutomatchManager& m_automatch;
    LocalizationManager& m_localization;
    QLabel* m_flag;
    QLabel* m_title;
    QLabel* m_score;
    QLabel* m_countdown;
    QPushButton* m_stop;
};

} // namespace velkor::panel

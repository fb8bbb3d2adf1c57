#pragma once

#include <QFrame>
#include <QUuid>
#include <vector>

class QLabel;
class QVBoxLayout;

namespace velkor {
class AutomatchManager;
class GameManager;
class LocalizationManager;
struct AutomatchGameRecord;
} // namespace velkor

namespace velkor::panel {

// The games of the last series, newest first, each to replay on the board or to copy as PGN,
// with the exports of all games and the clearing of the history.
class AutomatchHistoryView : public QFrame {
    Q_OBJECT

public:
    AutomatchHistoryView(AutomatchManager& automatch, GameManager& games,
                         LocalizationManager& localization, QWidget* parent = nullptr);

signals:
    void toastRequested(const QString& message);

private:
    void refresh();
    void removeRows();
    QWidget* makeRow(const AutomatchGameRecord& record);
    void copy(const QString& text);
    void confirmClear();

    AutomatchManager& m_automatch;
    GameManager& m_games;
    LocalizationManager& m_localization;
    QLabel* m_empty;
    QVBoxLayout* m_rowsLayout;
    // The ids of the records on show, oldest first.
    std::vector<QUuid> m_shownIds;
};

} // namespace velkor::panel

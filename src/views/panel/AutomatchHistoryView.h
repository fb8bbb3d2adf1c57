#pragma once

#include "PanelWidgets.h"

#include <QString>

class QLabel;
class QListView;

namespace velkor {
class AutomatchManager;
class GameManager;
class LocalizationManager;
struct HistoryNotice;
} // namespace velkor

namespace velkor::panel {

class AutomatchHistoryModel;

// The games of the last series, newest first, each to replay on the board or to copy as PGN,
// with the exports of all games (to the clipboard or a file) and the clearing of the history.
// The rows come from a model that reads the stored history page by page.
class AutomatchHistoryView : public Card {
    Q_OBJECT

public:
    enum class ExportFormat { pgn, csv, json };

    AutomatchHistoryView(AutomatchManager& automatch, GameManager& games,
                         LocalizationManager& localization, QWidget* parent = nullptr);

    // Writes the whole history in `format` to `path`, whole or not at all; a failure is shown in
    // an alert with its reason. The save dialog's answer lands here.
    void saveHistoryTo(const QString& path, ExportFormat format);

    // What the person is told about the stored history, in the chosen language.
    static QString noticeText(const HistoryNotice& notice, const LocalizationManager& localization);

signals:
    void toastRequested(const QString& message);

private:
    void refresh();
    void resizeList();
    void load(qint64 key);
    void copyGame(qint64 key);
    void copy(const QString& text);
    void confirmClear();
    void chooseSaveFile();
    void showNotice();

    AutomatchManager& m_automatch;
    GameManager& m_games;
    LocalizationManager& m_localization;
    QLabel* m_empty;
    QLabel* m_notice;
    QListView* m_list;
    AutomatchHistoryModel* m_model;
};

} // namespace velkor::panel

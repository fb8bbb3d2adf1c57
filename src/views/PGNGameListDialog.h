#pragma once

#include "chess/PGNParser.h"

#include <QDialog>
#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace velkor {

class LocalizationManager;

// The games of a file with several, one row each (White, Black, Result, Date, Event, moves), to
// choose the one to open: by double-click, or by selecting it and "Open Game". A filter narrows
// the rows to those whose players, event or date contain its text; a header click sorts.
class PGNGameListDialog : public QDialog {
    Q_OBJECT

public:
    PGNGameListDialog(std::vector<PGNGameSummary> games, LocalizationManager& localization,
                      QWidget* parent = nullptr);

    // The index into the games of the chosen row, once accepted.
    std::optional<std::size_t> chosenGame() const { return m_chosen; }
    // Selects the game with that index (for keyboard users the first row is selected at start).
    void selectGame(std::size_t index);
    const std::vector<PGNGameSummary>& games() const { return m_games; }

signals:
    // A game was chosen; the dialog is accepted.
    void gameChosen(std::size_t index);

private:
    void chooseSelected();
    void refreshCount();

    std::vector<PGNGameSummary> m_games;
    LocalizationManager& m_localization;
    QSortFilterProxyModel* m_filtered;
    QTableView* m_table;
    QLineEdit* m_filter;
    QLabel* m_count;
    QPushButton* m_open;
    std::optional<std::size_t> m_chosen;
};

} // namespace velkor

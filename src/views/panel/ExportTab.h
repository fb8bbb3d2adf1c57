#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace velkor {
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

class CoalescedRefresh;

// The game as PGN and the position as FEN, each to save or copy, and a FEN entry that replaces
// the game by its position; a rejected text says so and leaves the game as it was.
class ExportTab : public QWidget {
    Q_OBJECT

public:
    ExportTab(GameManager& games, LocalizationManager& localization, QWidget* parent = nullptr);

signals:
    void toastRequested(const QString& message);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void refresh();
    void applyFen();
    void showFenResult();

    GameManager& m_games;
    LocalizationManager& m_localization;
    QPlainTextEdit* m_pgn;
    QPlainTextEdit* m_fen;
    QLineEdit* m_fenInput;
    QLabel* m_fenResult;
    // What the last FEN entry gave, kept to be worded again after a change of language.
    QString m_fenResultKey;
    QString m_fenResultReason;
    CoalescedRefresh* m_refresh;
};

} // namespace velkor::panel

#pragma once

#include "chess/GameReviewReport.h"
#include "uci/EngineConfiguration.h"

#include <QPointer>
#include <QWidget>
#include <memory>
#include <optional>
#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeWidget;

namespace velkor {

class GameManager;
class GameReviewJob;
class LocalizationManager;

// The winning chances of every ply as a curve (White's, 0-100 %), the judged moves marked in
// their grade's colour and the shown ply as a line. A click anywhere picks the nearest ply.
class ReviewCurve : public QWidget {
    Q_OBJECT

public:
    explicit ReviewCurve(QWidget* parent = nullptr);
    // The win percentage after each ply (index 0: the start; empty where not yet scored) and the
    // judgement of each move (index 0: the first move).
    void setCurve(std::vector<std::optional<double>> winPercents,
                  std::vector<std::optional<review::Judgement>> judgements);
    void setShownPly(int ply);
    // The ply whose point lies nearest to x.
    int plyAt(int x) const;

signals:
    void plyClicked(int ply);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    double xOf(int ply) const;

    std::vector<std::optional<double>> m_winPercents;
    std::vector<std::optional<review::Judgement>> m_judgements;
    int m_shownPly = 0;
};

// The review of the game on the board: accuracy, average centipawn loss and counts of each
// side, every move with its grade, evaluation and the engine's better line, the curve, and keys
// that step through one side's judged moves. A game that already carries its evaluations (an
// annotated PGN) shows them at once; otherwise the engine scores the game, with a progress bar
// and Stop. Choosing a move shows its position on the board.
class GameReviewView : public QWidget {
    Q_OBJECT

public:
    GameReviewView(GameManager& game, LocalizationManager& localization, QWidget* parent = nullptr);
    ~GameReviewView() override;

    // Reviews the game now on the board with `engine` (the evaluations the game carries, when
    // every move has one, need no engine). Replaces an earlier review.
    void review(const std::optional<EngineConfiguration>& engine);
    // Ends a running review, keeping what it scored.
    void stop();
    // Shows the position after `ply` (0: the start) on the board.
    void showPly(int ply);
    // Shows the next (or previous) judged move of the chosen side, after the shown one, going
    // round at the end; false when that side has none.
    bool showJudgedMove(bool forward);

    const review::GameReviewReport& report() const { return m_report; }
    bool isReviewing() const;
    // The game as annotated PGN: the board's record with the review's evaluations, glyphs and
    // lines.
    QString annotatedPGN() const;

    ReviewCurve* curve() const { return m_curve; }
    QTreeWidget* moveList() const { return m_moves; }
    QComboBox* sideChoice() const { return m_side; }
    QProgressBar* progressBar() const { return m_progress; }
    QPushButton* stopButton() const { return m_stop; }
    QLabel* summaryLabel(PieceColor color) const {
        return color == PieceColor::white ? m_summary[0] : m_summary[1];
    }

signals:
    void reportChanged();

private:
    void refresh();
    void setReport(review::GameReviewReport report);
    QString sideSummary(PieceColor color) const;
    QString text(const char* key) const;

    GameManager& m_game;
    LocalizationManager& m_localization;
    ChessBoard m_reviewedGame;
    std::optional<review::ReviewScore> m_startScore;
    review::GameReviewReport m_report;
    QString m_failure;
    std::unique_ptr<GameReviewJob> m_job;
    ReviewCurve* m_curve = nullptr;
    QTreeWidget* m_moves = nullptr;
    QComboBox* m_side = nullptr;
    QProgressBar* m_progress = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_previous = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_save = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_summary[2] = {nullptr, nullptr};
};

// Opens the review window of `window` (one per window, raised when open) and reviews the game on
// the board with the first installed engine.
void openGameReview(QWidget& window, GameManager& game, LocalizationManager& localization);

} // namespace velkor

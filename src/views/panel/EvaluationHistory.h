#pragma once

#include "EvaluationCurve.h"
#include "game/MoveAnalysis.h"

#include <QColor>
#include <QWidget>
#include <vector>

class QVBoxLayout;
class QLabel;

namespace velkor {
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// "12… Qg3: <label> (−<loss> cp)" for one graded move, in the interface language.
QString moveQualityText(const MoveAnalysis& analysis, const LocalizationManager& localization);

// The quality of a move in the interface language.
QString gradeText(MoveQuality quality, const LocalizationManager& localization);
// The colour of a loss figure: red for a blunder, amber and orange for the smaller slips, the
// text colour for a best move.
QColor qualityColor(MoveQuality quality);

// "Bewertungsverlauf": the evaluation after each graded engine move as a line over the plies
// (clamped to ±10 pawns so a mate does not flatten the curve), and one row per graded move.
class EvaluationHistory : public QWidget {
    Q_OBJECT

public:
    // The chart's vertical range in centipawns either side of 0.
    static constexpr double verticalRangeCp = 1000;

    EvaluationHistory(GameManager& games, LocalizationManager& localization,
                      QWidget* parent = nullptr);

private:
    void refresh(const std::vector<MoveAnalysis>& analyses);

    // Absent when the chart module is missing; the rows below still show.
    GameManager& m_games;
    LocalizationManager& m_localization;
    EvaluationCurve* m_curve;
    QWidget* m_rows;
    QVBoxLayout* m_rowsLayout;
    std::vector<QUuid> m_shownIds;
};

} // namespace velkor::panel

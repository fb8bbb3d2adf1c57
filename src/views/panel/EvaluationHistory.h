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
}

namespace velkor::panel {

// "12… Qg3: <label> (−<loss> cp)" for one graded move.
QString moveQualityText(const MoveAnalysis& analysis);
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

    explicit EvaluationHistory(GameManager& games, QWidget* parent = nullptr);

private:
    void refresh(const std::vector<MoveAnalysis>& analyses);

    // Absent when the chart module is missing; the rows below still show.
    EvaluationCurve* m_curve;
    QWidget* m_rows;
    QVBoxLayout* m_rowsLayout;
    std::vector<QUuid> m_shownIds;
};

} // namespace velkor::panel

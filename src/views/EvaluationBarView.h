#pragma once

#include "chess/PieceColor.h"
#include "uci/EngineEvaluation.h"

#include <QWidget>

namespace velkor {

// A narrow bar beside the board: its white part, measured from White's side of the board (the
// bottom unless flipped), is White's share of the evaluation, and the score stands at the end of
// the side that leads, from White's point of view.
class EvaluationBarView : public QWidget {
    Q_OBJECT

public:
    explicit EvaluationBarView(QWidget* parent = nullptr);

    // `turn` is the side to move in the position the evaluation is about (the engine's view).
    void setEvaluation(const EngineEvaluation& evaluation, PieceColor turn);
    void setFlipped(bool flipped);

    const EngineEvaluation& evaluation() const { return m_evaluation; }
    PieceColor turn() const { return m_turn; }
    bool isFlipped() const { return m_flipped; }
    // White's share of the bar's height.
    double whiteFraction() const { return m_evaluation.evalBarFraction(m_turn); }
    // The score as White sees it ("+0.40" when White leads), like the bar itself.
    QString scoreText() const;

    QSize sizeHint() const override { return {30, 400}; }
    QSize minimumSizeHint() const override { return {30, 100}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    EngineEvaluation m_evaluation;
    PieceColor m_turn = PieceColor::white;
    bool m_flipped = false;
};

} // namespace velkor

#pragma once

#include "uci/EngineEvaluation.h"

#include <QWidget>
#include <optional>

namespace velkor {

// A narrow bar beside the board: its white part, measured from White's side of the board (the
// bottom unless flipped), is White's share of the evaluation, and the score stands at the end of
// the side that leads, from White's point of view.
class EvaluationBarView : public QWidget {
    Q_OBJECT

public:
    explicit EvaluationBarView(QWidget* parent = nullptr);

    // The score to show, from White's side; none shows an even bar without a figure.
    void setScore(const std::optional<WhiteScore>& score);
    void setFlipped(bool flipped);

    const std::optional<WhiteScore>& score() const { return m_score; }
    bool isFlipped() const { return m_flipped; }
    // White's share of the bar's height.
    double whiteFraction() const { return m_score ? m_score->barFraction() : 0.5; }
    // The score as White sees it ("+0.40" when White leads); empty without a score.
    QString scoreText() const;

    QSize sizeHint() const override { return {30, 400}; }
    QSize minimumSizeHint() const override { return {30, 100}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<WhiteScore> m_score;
    bool m_flipped = false;
};

} // namespace velkor

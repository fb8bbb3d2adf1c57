#pragma once

#include <QList>
#include <QPointF>

class QFont;
class QWidget;

namespace velkor::panel {

// The evaluation chart: centipawns from White's side over the plies, drawn by the chart module
// (Qt Charts), which is loaded the first time a chart is made rather than when the program starts.
class EvaluationCurve {
public:
    virtual ~EvaluationCurve() = default;
    // The chart's widget, owned by the parent it was made with.
    virtual QWidget& widget() = 0;
    // Shows `points` (move number, White's move at n and Black's at n + ½; centipawns within
    // ±verticalRangeCp) on a move axis from 0 to lastMove with a tick every `tickInterval` moves.
    virtual void setPoints(const QList<QPointF>& points, double lastMove, double tickInterval) = 0;
};

// The axis of `lastMove` moves ticks at whole move numbers: every 1, 2, 5, 10, 20, 50, … moves,
// the smallest step that keeps the ticks to at most six.
double moveAxisTickInterval(double lastMove);

// A chart child of `parent` with a vertical range of ±verticalRangeCp and axis labels in
// `labelFont`; nullptr when the chart module cannot be loaded (the reason is logged).
EvaluationCurve* makeEvaluationCurve(QWidget& parent, double verticalRangeCp,
                                     const QFont& labelFont);

} // namespace velkor::panel

// The chart module's entry point.
extern "C" {
using VelkorCreateEvaluationCurve = velkor::panel::EvaluationCurve* (*)(QWidget* parent,
                                                                        double verticalRangeCp,
                                                                        const QFont* labelFont);
}

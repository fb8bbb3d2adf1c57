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
    // Shows `points` (ply, centipawns within ±verticalRangeCp) on a ply axis from 0 to lastPly.
    virtual void setPoints(const QList<QPointF>& points, double lastPly) = 0;
};

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

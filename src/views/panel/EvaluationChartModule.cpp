// The chart module: the evaluation curve drawn with Qt Charts, the one place the program reaches
// that library. It is loaded when the first chart is made (see EvaluationCurve.h).
#include "EvaluationCurve.h"
#include "PanelPalette.h"

#include <QChart>
#include <QChartView>
#include <QLineSeries>
#include <QPen>
#include <QValueAxis>

namespace {

class EvaluationChart : public QChartView, public velkor::panel::EvaluationCurve {
public:
    EvaluationChart(QWidget* parent, double verticalRangeCp, const QFont& labelFont)
        : QChartView(parent), m_series(new QLineSeries), m_moveAxis(new QValueAxis) {
        m_series->setPen(QPen(QColor::fromRgb(velkor::panel::palette::accent), 2));
        auto* chart = new QChart;
        chart->addSeries(m_series);
        chart->legend()->hide();
        chart->setMargins(QMargins(2, 2, 2, 2));
        chart->setBackgroundRoundness(4);
        auto* scoreAxis = new QValueAxis;
        scoreAxis->setRange(-verticalRangeCp, verticalRangeCp);
        scoreAxis->setTickCount(5);
        scoreAxis->setLabelFormat(QStringLiteral("%d"));
        m_moveAxis->setRange(0, 5);
        m_moveAxis->setLabelFormat(QStringLiteral("%d"));
        m_moveAxis->setTickType(QValueAxis::TicksDynamic);
        m_moveAxis->setTickAnchor(0);
        m_moveAxis->setTickInterval(1);
        scoreAxis->setLabelsFont(labelFont);
        m_moveAxis->setLabelsFont(labelFont);
        chart->addAxis(scoreAxis, Qt::AlignLeft);
        chart->addAxis(m_moveAxis, Qt::AlignBottom);
        m_series->attachAxis(scoreAxis);
        m_series->attachAxis(m_moveAxis);
        // The view owns the chart, and the chart its series and axes.
        setChart(chart);
        setRenderHint(QPainter::Antialiasing);
    }

    QWidget& widget() override { return *this; }

    void setPoints(const QList<QPointF>& points, double lastMove, double tickInterval) override {
        m_series->replace(points);
        m_moveAxis->setRange(0, lastMove);
        m_moveAxis->setTickInterval(tickInterval);
    }

private:
    QLineSeries* m_series;
    QValueAxis* m_moveAxis;
};

} // namespace

extern "C" Q_DECL_EXPORT velkor::panel::EvaluationCurve*
velkorCreateEvaluationCurve(QWidget* parent, double verticalRangeCp, const QFont* labelFont) {
    return new EvaluationChart(parent, verticalRangeCp, *labelFont);
}

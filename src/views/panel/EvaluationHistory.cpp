#include "EvaluationHistory.h"

#include "PanelWidgets.h"
#include "game/GameManager.h"

#include <QChart>
#include <QChartView>
#include <QLabel>
#include <QLineSeries>
#include <QPen>
#include <QVBoxLayout>
#include <QValueAxis>
#include <algorithm>
#include <cmath>

namespace velkor::panel {

QString moveQualityText(const MoveAnalysis& analysis) {
    return analysis.san + QStringLiteral(": ") + analysis.classification() + QStringLiteral(" (−") +
           QString::number(std::lround(analysis.centipawnLoss)) + QStringLiteral(" cp)");
}

QColor lossColor(double centipawnLoss) {
    if (centipawnLoss >= 180) {
        return QColor(0xC6, 0x28, 0x28);
    }
    if (centipawnLoss >= 80) {
        return QColor(0xE6, 0x6A, 0x00);
    }
    if (centipawnLoss >= 30) {
        return QColor(0xB0, 0x8A, 0x00);
    }
    return {};
}

EvaluationHistory::EvaluationHistory(GameManager& games, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("evaluationHistory"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeHeading(QStringLiteral("Bewertungsverlauf"), this));

    m_series = new QLineSeries;
    m_series->setPen(QPen(QColor(0x3a, 0x6e, 0xa5), 2));
    m_chart = new QChart;
    m_chart->addSeries(m_series);
    m_chart->legend()->hide();
    m_chart->setMargins(QMargins(2, 2, 2, 2));
    m_chart->setBackgroundRoundness(4);
    auto* scoreAxis = new QValueAxis;
    scoreAxis->setRange(-verticalRangeCp, verticalRangeCp);
    scoreAxis->setTickCount(5);
    scoreAxis->setLabelFormat(QStringLiteral("%d"));
    m_plyAxis = new QValueAxis;
    m_plyAxis->setRange(0, 10);
    m_plyAxis->setLabelFormat(QStringLiteral("%d"));
    m_plyAxis->setTickCount(6);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    scoreAxis->setLabelsFont(small);
    m_plyAxis->setLabelsFont(small);
    m_chart->addAxis(scoreAxis, Qt::AlignLeft);
    m_chart->addAxis(m_plyAxis, Qt::AlignBottom);
    m_series->attachAxis(scoreAxis);
    m_series->attachAxis(m_plyAxis);
    auto* view = new QChartView(m_chart, this);
    view->setObjectName(QStringLiteral("evaluationChart"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumHeight(150);
    view->setMaximumHeight(170);
    layout->addWidget(view);

    m_rows = new QWidget(this);
    m_rows->setObjectName(QStringLiteral("moveQualityRows"));
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(1);
    layout->addWidget(m_rows);

    connect(&games, &GameManager::moveAnalysesChanged, this, &EvaluationHistory::refresh);
    refresh(games.moveAnalyses());
}

void EvaluationHistory::refresh(const std::vector<MoveAnalysis>& analyses) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(analyses.size()));
    std::int64_t lastPly = 0;
    for (const MoveAnalysis& analysis : analyses) {
        points.append(
            QPointF(static_cast<double>(analysis.ply),
                    std::clamp(analysis.scoreFromWhiteCp, -verticalRangeCp, verticalRangeCp)));
        lastPly = std::max(lastPly, analysis.ply);
    }
    m_series->replace(points);
    m_plyAxis->setRange(0, static_cast<double>(std::max<std::int64_t>(10, lastPly)));

    // The list only grows during a game; anything else (a new game, an undo) starts it afresh.
    const bool extends =
        m_shownIds.size() <= analyses.size() &&
        std::equal(m_shownIds.begin(), m_shownIds.end(), analyses.begin(),
                   [](const QUuid& id, const MoveAnalysis& analysis) { return id == analysis.id; });
    if (!extends) {
        while (QLayoutItem* item = m_rowsLayout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        m_shownIds.clear();
    }
    for (std::size_t i = m_shownIds.size(); i < analyses.size(); ++i) {
        const MoveAnalysis& analysis = analyses[i];
        auto* row = new QLabel(m_rows);
        row->setObjectName(QStringLiteral("moveQuality_%1").arg(analysis.ply));
        const QColor colour = lossColor(analysis.centipawnLoss);
        const QString loss = QStringLiteral("(−") +
                             QString::number(std::lround(analysis.centipawnLoss)) +
                             QStringLiteral(" cp)");
        const QString lossHtml =
            colour.isValid()
                ? QStringLiteral("<span style=\"color:%1\">%2</span>").arg(colour.name(), loss)
                : loss;
        row->setText(analysis.san.toHtmlEscaped() + QStringLiteral(": ") +
                     analysis.classification() + QLatin1Char(' ') + lossHtml);
        row->setAccessibleName(moveQualityText(analysis));
        m_rowsLayout->addWidget(row);
        m_shownIds.push_back(analysis.id);
    }
}

} // namespace velkor::panel

#include "EvaluationHistory.h"

#include "PanelPalette.h"
#include "PanelWidgets.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QLabel>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace velkor::panel {

QString gradeText(MoveQuality quality, const LocalizationManager& localization) {
    switch (quality) {
    case MoveQuality::best:
        return localization.text(QStringLiteral("grade_best"));
    case MoveQuality::inaccuracy:
        return localization.text(QStringLiteral("grade_inaccuracy"));
    case MoveQuality::mistake:
        return localization.text(QStringLiteral("grade_mistake"));
    case MoveQuality::blunder:
        break;
    }
    return localization.text(QStringLiteral("grade_blunder"));
}

QString moveQualityText(const MoveAnalysis& analysis, const LocalizationManager& localization) {
    return analysis.numberedSan() + QStringLiteral(": ") +
           gradeText(analysis.quality, localization) + QStringLiteral(" (") + analysis.lossText() +
           QLatin1Char(')');
}

QColor qualityColor(MoveQuality quality) {
    switch (quality) {
    case MoveQuality::blunder:
        return QColor::fromRgb(palette::failure);
    case MoveQuality::mistake:
        return QColor::fromRgb(palette::mistake);
    case MoveQuality::inaccuracy:
        return QColor::fromRgb(palette::inaccuracy);
    case MoveQuality::best:
        break;
    }
    return {};
}

EvaluationHistory::EvaluationHistory(GameManager& games, LocalizationManager& localization,
                                     QWidget* parent)
    : QWidget(parent), m_games(games), m_localization(localization) {
    setObjectName(QStringLiteral("evaluationHistory"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(heading(QStringLiteral("evaluation_history"), localization, this));

    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    m_curve = makeEvaluationCurve(*this, verticalRangeCp, small);
    if (m_curve) {
        QWidget& chart = m_curve->widget();
        chart.setObjectName(QStringLiteral("evaluationChart"));
        chart.setMinimumHeight(150);
        chart.setMaximumHeight(170);
        layout->addWidget(&chart);
    }

    m_rows = new QWidget(this);
    m_rows->setObjectName(QStringLiteral("moveQualityRows"));
    m_rowsLayout = new QVBoxLayout(m_rows);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(1);
    layout->addWidget(m_rows);

    connect(&games.liveAnalysis(), &LiveAnalysis::moveAnalysesChanged, this,
            &EvaluationHistory::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, [this] {
        // The rows carry the grades' words: write them again.
        m_shownIds.clear();
        while (QLayoutItem* item = m_rowsLayout->takeAt(0)) {
            delete item->widget();
            delete item;
        }
        refresh(m_games.liveAnalysis().moveAnalyses());
    });
    refresh(games.liveAnalysis().moveAnalyses());
}

void EvaluationHistory::refresh(const std::vector<MoveAnalysis>& analyses) {
    QList<QPointF> points;
    points.reserve(static_cast<qsizetype>(analyses.size()));
    // The axis counts moves as people number them: White's move n at n, Black's at n + ½.
    double lastMove = 0;
    for (const MoveAnalysis& analysis : analyses) {
        const double move = static_cast<double>(analysis.moveNumber) +
                            (analysis.mover == PieceColor::black ? 0.5 : 0.0);
        points.append(QPointF(
            move, std::clamp(analysis.scoreFromWhiteCp, -verticalRangeCp, verticalRangeCp)));
        lastMove = std::max(lastMove, std::ceil(move));
    }
    if (m_curve) {
        const double axisEnd = std::max(5.0, lastMove);
        m_curve->setPoints(points, axisEnd, moveAxisTickInterval(axisEnd));
    }

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
        const QColor colour = qualityColor(analysis.quality);
        const QString loss = QLatin1Char('(') + analysis.lossText() + QLatin1Char(')');
        const QString lossHtml =
            colour.isValid()
                ? QStringLiteral("<span style=\"color:%1\">%2</span>").arg(colour.name(), loss)
                : loss;
        row->setText(analysis.numberedSan().toHtmlEscaped() + QStringLiteral(": ") +
                     gradeText(analysis.quality, m_localization) + QLatin1Char(' ') + lossHtml);
        row->setAccessibleName(moveQualityText(analysis, m_localization));
        m_rowsLayout->addWidget(row);
        m_shownIds.push_back(analysis.id);
    }
}

} // namespace velkor::panel

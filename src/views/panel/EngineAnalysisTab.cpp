#include "EngineAnalysisTab.h"

#include "EngineCard.h"
#include "EvaluationHistory.h"
#include "LiveEloControl.h"
#include "PanelWidgets.h"
#include "UciLogView.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace velkor::panel {

namespace {

// The principal variations show at most this many moves; the rest would only widen the panel.
constexpr std::size_t shownPvMoves = 10;

QString optionalNumber(const std::optional<std::int64_t>& value) {
    return value ? QLocale::c().toString(static_cast<qlonglong>(*value)) : QStringLiteral("–");
}

QString lineText(const EngineEvaluation& line) {
    QString text = QString::number(line.multiPV) + QStringLiteral(". ") +
                   QString::fromStdString(line.formattedScore()) + QStringLiteral("  ");
    const std::size_t count = std::min(line.pv.size(), shownPvMoves);
    for (std::size_t i = 0; i < count; ++i) {
        text += QString::fromStdString(line.pv[i]) + QLatin1Char(' ');
    }
    if (line.pv.size() > count) {
        text += QStringLiteral("…");
    }
    return text.trimmed();
}

} // namespace

EngineAnalysisTab::EngineAnalysisTab(GameManager& games, EngineManager& engines,
                                     LocalizationManager& localization,
                                     const EngineEloRanges& ranges, QWidget* parent)
    : QWidget(parent), m_games(games) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addWidget(new EngineCard(games, localization, this));
    layout->addWidget(new LiveEloControl(games, engines, localization, ranges, this));

    QVBoxLayout* numbers = nullptr;
    layout->addWidget(makeCard(this, numbers));
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    const auto addFigure = [&](const QString& key, int row, int column, const QString& name) {
        grid->addWidget(new LocalizedText(key, localization, this), row, column);
        auto* value = new QLabel(QStringLiteral("–"), this);
        value->setObjectName(name);
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        grid->addWidget(value, row, column + 1);
        return value;
    };
    m_score = addFigure(QStringLiteral("engine_score"), 0, 0, QStringLiteral("engineScore"));
    m_depth = addFigure(QStringLiteral("engine_depth"), 0, 2, QStringLiteral("engineDepth"));
    m_nodes = addFigure(QStringLiteral("engine_nodes"), 1, 0, QStringLiteral("engineNodes"));
    m_nps = addFigure(QStringLiteral("engine_nps"), 1, 2, QStringLiteral("engineNps"));
    numbers->addLayout(grid);
    auto* pvTitle = new LocalizedText(QStringLiteral("engine_pv"), localization, this);
    numbers->addWidget(pvTitle);
    m_lines = new QLabel(this);
    m_lines->setObjectName(QStringLiteral("engineLines"));
    m_lines->setWordWrap(true);
    m_lines->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSizeF(font().pointSizeF() * 0.85);
    m_lines->setFont(mono);
    numbers->addWidget(m_lines);

    layout->addWidget(new EvaluationHistory(games, localization, this));

    auto* logTitle = new LocalizedText(QStringLiteral("engine_log"), localization, this);
    QFont bold = logTitle->font();
    bold.setBold(true);
    logTitle->setFont(bold);
    layout->addWidget(logTitle);
    auto* log = new UciLogView(games, localization, this);
    connect(log, &UciLogView::copied, this, [this, &localization] {
        emit toastRequested(localization.text(QStringLiteral("copied_to_clipboard")));
    });
    layout->addWidget(log);
    layout->addStretch(1);

    // Engines report up to ten times a second each; the figures follow at a readable pace.
    m_refresh = new CoalescedRefresh(
        150, [this] { refreshEvaluation(); }, this);
    connect(&games, &GameManager::liveEvaluationChanged, m_refresh,
            [this] { m_refresh->request(); });
    connect(&games, &GameManager::analysisVariationsChanged, m_refresh,
            [this] { m_refresh->request(); });
    refreshEvaluation();
}

void EngineAnalysisTab::refreshEvaluation() {
    const EngineEvaluation& live = m_games.liveEvaluation();
    m_score->setText(QString::fromStdString(live.formattedScore()));
    m_depth->setText(QString::number(live.depth));
    m_nodes->setText(optionalNumber(live.nodes));
    m_nps->setText(optionalNumber(live.nps));
    QStringList lines;
    for (const EngineEvaluation& line : m_games.analysisVariations()) {
        lines.append(lineText(line));
    }
    m_lines->setText(lines.isEmpty() ? QStringLiteral("–") : lines.join(QLatin1Char('\n')));
}

} // namespace velkor::panel

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
#include <algorithm>

namespace velkor::panel {

namespace {

QString optionalNumber(const std::optional<std::int64_t>& value) {
    return value ? QLocale::c().toString(static_cast<qlonglong>(*value)) : QStringLiteral("–");
}

// "+0.35  1… c6 2. d4": the score from White's side, the moves in SAN with their numbers; with
// several lines each is led by its number.
QString lineText(const ShownVariation& line, bool numbered) {
    QString text = numbered ? QString::number(line.multiPV) + QStringLiteral(") ") : QString();
    text += line.score ? QString::fromStdString(line.score->formatted()) : QStringLiteral("–");
    if (!line.moves.isEmpty()) {
        text += QStringLiteral("  ") + line.moves;
    }
    return text;
}

} // namespace

EngineAnalysisTab::EngineAnalysisTab(GameManager& games, EngineManager& engines,
                                     LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addWidget(new EngineCard(games, localization, this));
    layout->addWidget(new LiveEloControl(games, engines, localization, this));

    auto* figures = new Card(this);
    layout->addWidget(figures);
    QVBoxLayout* numbers = figures->body();
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    const auto addFigure = [&](const QString& key, int row, int column, const QString& name) {
        grid->addWidget(new LocalizedText(key, localization, this), row, column);
        auto* value = new QLabel(QStringLiteral("–"), this);
        value->setObjectName(name);
        embolden(*value);
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

    layout->addWidget(heading(QStringLiteral("engine_log"), localization, this));
    auto* log = new UciLogView(games, localization, this);
    connect(log, &UciLogView::copied, this, [this, &localization] {
        emit toastRequested(localization.text(QStringLiteral("copied_to_clipboard")));
    });
    layout->addWidget(log);
    layout->addStretch(1);

    // Engines report up to ten times a second each; the figures follow at a readable pace.
    m_refresh = new CoalescedRefresh(
        150, [this] { refreshEvaluation(); }, this);
    const LiveAnalysis& analysis = games.liveAnalysis();
    connect(&analysis, &LiveAnalysis::liveEvaluationChanged, m_refresh,
            [this] { m_refresh->request(); });
    connect(&analysis, &LiveAnalysis::shownVariationsChanged, m_refresh,
            [this] { m_refresh->request(); });
    refreshEvaluation();
}

void EngineAnalysisTab::refreshEvaluation() {
    const EngineEvaluation& live = m_games.liveAnalysis().liveEvaluation();
    const std::vector<ShownVariation>& variations = m_games.liveAnalysis().shownVariations();
    // The score of the principal line, from White's side like every figure shown.
    const auto principal =
        std::find_if(variations.begin(), variations.end(),
                     [](const ShownVariation& line) { return line.multiPV == 1; });
    const bool scored = principal != variations.end() && principal->score;
    m_score->setText(scored ? QString::fromStdString(principal->score->formatted())
                            : QStringLiteral("–"));
    m_depth->setText(QString::number(live.depth));
    m_nodes->setText(optionalNumber(live.nodes));
    m_nps->setText(optionalNumber(live.nps));
    QStringList lines;
    for (const ShownVariation& line : variations) {
        lines.append(lineText(line, variations.size() > 1));
    }
    m_lines->setText(lines.isEmpty() ? QStringLiteral("–") : lines.join(QLatin1Char('\n')));
}

} // namespace velkor::panel

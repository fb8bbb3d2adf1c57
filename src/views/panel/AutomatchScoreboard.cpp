#include "AutomatchScoreboard.h"

#include "AutomatchTexts.h"
#include "PanelWidgets.h"
#include "automatch/AutomatchManager.h"
#include "automatch/EloStatistics.h"
#include "automatch/SeriesScore.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QLabel>
#include <QVBoxLayout>
#include <cmath>

namespace velkor::panel {

namespace {

QString signedWhole(double value) {
    if (std::isinf(value)) {
        return value > 0 ? QStringLiteral("+∞") : QStringLiteral("−∞");
    }
    const long rounded = std::lround(value);
    return (rounded < 0 ? QStringLiteral("−") : QStringLiteral("+")) +
           QString::number(std::labs(rounded));
}

} // namespace

QString AutomatchScoreboard::eloFigureText(std::int64_t wins, std::int64_t losses,
                                           std::int64_t draws,
                                           const LocalizationManager& localization) {
    const auto estimate = automatch::eloEstimate(wins, losses, draws);
    if (!estimate) {
        return {};
    }
    QString figure;
    if (estimate->errorMargin95) {
        figure = signedWhole(estimate->difference) + QStringLiteral(" ± ") +
                 QString::number(std::lround(*estimate->errorMargin95));
    } else {
        // One side open: no infinity and no made-up margin, but the bound the games give.
        QStringList parts;
        if (std::isfinite(estimate->difference)) {
            parts.append(signedWhole(estimate->difference));
        }
        if (estimate->lowerBound95) {
            parts.append(localization.text(QStringLiteral("automatch_elo_at_least")) + u' ' +
                         signedWhole(*estimate->lowerBound95));
        }
        if (estimate->upperBound95) {
            parts.append(localization.text(QStringLiteral("automatch_elo_at_most")) + u' ' +
                         signedWhole(*estimate->upperBound95));
        }
        figure = parts.join(QStringLiteral(", "));
    }
    return localization.text(QStringLiteral("automatch_elo_estimate")) + QStringLiteral(": ") +
           figure + QStringLiteral(" (95 %) · LOS ") +
           QString::number(estimate->likelihoodOfSuperiority * 100, 'f', 1) + QStringLiteral(" %");
}

AutomatchScoreboard::AutomatchScoreboard(AutomatchManager& automatch,
                                         LocalizationManager& localization, QWidget* parent)
    : Card(QStringLiteral("automatch_score"), localization, parent), m_automatch(automatch),
      m_localization(localization) {
    setObjectName(QStringLiteral("automatchScoreboard"));
    QVBoxLayout* layout = body();

    const auto line = [&](const QString& name) {
        auto* label = makeWrappingLabel({}, this);
        label->setObjectName(name);
        layout->addWidget(label);
        return label;
    };
    m_gameNumber = line(QStringLiteral("scoreGameNumber"));
    m_engine1 = line(QStringLiteral("scoreEngine1"));
    m_engine2 = line(QStringLiteral("scoreEngine2"));
    m_draws = line(QStringLiteral("scoreDraws"));
    m_finished = line(QStringLiteral("scoreFinished"));
    m_eloDifference = line(QStringLiteral("scoreEloDifference"));
    bindLocalizedText(m_eloDifference, localization, QStringLiteral("automatch_elo_statistics_tip"),
                      [label = m_eloDifference](const QString& text) { label->setToolTip(text); });
    m_countdown = line(QStringLiteral("scoreCountdown"));

    for (const auto signal :
         {&AutomatchManager::currentGameIndexChanged, &AutomatchManager::totalGamesChanged,
          &AutomatchManager::engine1WinsChanged, &AutomatchManager::engine2WinsChanged,
          &AutomatchManager::drawsChanged, &AutomatchManager::engine1EloChanged,
          &AutomatchManager::engine2EloChanged}) {
        connect(&automatch, signal, this, &AutomatchScoreboard::refresh);
    }
    for (const auto signal :
         {&AutomatchManager::isCountingDownChanged, &AutomatchManager::engine1LimitEloChanged,
          &AutomatchManager::engine2LimitEloChanged, &AutomatchManager::isAutomatchActiveChanged}) {
        connect(&automatch, signal, this, &AutomatchScoreboard::refresh);
    }
    connect(&automatch, &AutomatchManager::countdownRemainingChanged, this,
            &AutomatchScoreboard::refresh);
    connect(&automatch, &AutomatchManager::historyCountChanged, this,
            &AutomatchScoreboard::refresh);
    connect(&automatch, &AutomatchManager::seriesEnginesChanged, this,
            &AutomatchScoreboard::refresh);
    connect(&automatch, &AutomatchManager::engine1Changed, this, &AutomatchScoreboard::refresh);
    connect(&automatch, &AutomatchManager::engine2Changed, this, &AutomatchScoreboard::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &AutomatchScoreboard::refresh);
    refresh();
}

void AutomatchScoreboard::refresh() {
    m_gameNumber->setText(m_localization.text(QStringLiteral("automatch_game_n")) +
                          QStringLiteral(" %1 / %2")
                              .arg(m_automatch.currentGameIndex())
                              .arg(m_automatch.totalGames()));
    const QString wins = m_localization.text(QStringLiteral("automatch_wins"));
    const QString fullStrength = m_localization.text(QStringLiteral("elo_max_strength"));
    const auto engineLine = [&wins, &fullStrength](const QString& name, bool limited,
                                                   std::int64_t elo, double score,
                                                   std::int64_t won) {
        return QStringLiteral("<b>") + name.toHtmlEscaped() + QStringLiteral("</b> (") +
               (limited ? eloText(elo) : fullStrength) + QStringLiteral("): ") +
               QStringLiteral("<b>") + QString::number(score, 'f', 1) + QStringLiteral("</b> · ") +
               wins + QStringLiteral(": ") + QString::number(won);
    };
    // The score belongs to the series that was played (also after a restart, when other engines
    // may sit in the pickers); before any series, to the engines chosen.
    automatch::SeriesIdentity engines{
        m_automatch.effectiveEngine1Name(),
        m_automatch.engine1LimitApplies() ? std::optional(m_automatch.engine1Elo()) : std::nullopt,
        m_automatch.effectiveEngine2Name(),
        m_automatch.engine2LimitApplies() ? std::optional(m_automatch.engine2Elo()) : std::nullopt};
    if (m_automatch.seriesEngines()) {
        engines = *m_automatch.seriesEngines();
    }
    m_engine1->setText(engineLine(engines.engine1Name, engines.engine1Elo.has_value(),
                                  engines.engine1Elo.value_or(0), m_automatch.engine1Score(),
                                  m_automatch.engine1Wins()));
    m_engine2->setText(engineLine(engines.engine2Name, engines.engine2Elo.has_value(),
                                  engines.engine2Elo.value_or(0), m_automatch.engine2Score(),
                                  m_automatch.engine2Wins()));
    m_draws->setText(m_localization.text(QStringLiteral("automatch_draws")) + QStringLiteral(": ") +
                     QString::number(m_automatch.draws()));
    m_finished->setText(m_localization.text(QStringLiteral("automatch_games_finished"))
                            .arg(m_automatch.historyCount())
                            .arg(m_automatch.totalGames()));
    const QString elo = eloFigureText(m_automatch.engine1Wins(), m_automatch.engine2Wins(),
                                      m_automatch.draws(), m_localization);
    m_eloDifference->setVisible(!elo.isEmpty());
    m_eloDifference->setText(elo);
    const bool countingDown = m_automatch.isAutomatchActive() && m_automatch.isCountingDown();
    m_countdown->setVisible(countingDown);
    if (countingDown) {
        m_countdown->setText(QString::number(m_automatch.countdownRemaining(), 'f', 1) +
                             QStringLiteral(" s"));
    }
}

} // namespace velkor::panel

#include "AutomatchStrip.h"

#include "PanelIcons.h"
#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "automatch/AutomatchManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velkor::panel {

namespace {

QString points(double score) {
    return QString::number(score, 'f', 1);
}

} // namespace

AutomatchStrip::AutomatchStrip(AutomatchManager& automatch, LocalizationManager& localization,
                               QWidget* parent)
    : QWidget(parent), m_automatch(automatch), m_localization(localization) {
    setObjectName(QStringLiteral("automatchStrip"));
    setAttribute(Qt::WA_StyledBackground);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    m_flag = new QLabel(this);
    m_flag->setPixmap(checkeredFlagIcon().pixmap(16, 16));
    layout->addWidget(m_flag);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("automatchStripTitle"));
    embolden(*m_title);
    m_score = new QLabel(this);
    m_score->setObjectName(QStringLiteral("automatchStripScore"));
    m_score->setWordWrap(true);
    m_countdown = new QLabel(this);
    m_countdown->setObjectName(QStringLiteral("automatchStripCountdown"));
    texts->addWidget(m_title);
    texts->addWidget(m_score);
    texts->addWidget(m_countdown);
    layout->addLayout(texts, 1);

    auto* buttons = new QVBoxLayout;
    m_stop = new QPushButton(this);
    m_stop->setObjectName(QStringLiteral("automatchStripStop"));
    bindLocalizedText(m_stop, localization, QStringLiteral("btn_stop_automatch"),
                      [this](const QString& text) { m_stop->setText(text); });
    connect(m_stop, &QPushButton::clicked, &automatch, &AutomatchManager::stop);
    auto* history = new QPushButton(this);
    bindLocalizedText(history, localization, QStringLiteral("automatch_history_link"),
                      [history](const QString& text) { history->setText(text); });
    history->setObjectName(QStringLiteral("automatchStripHistory"));
    history->setFlat(true);
    setRole(*history, Role::link);
    connect(history, &QPushButton::clicked, this, &AutomatchStrip::historyRequested);
    buttons->addWidget(m_stop);
    buttons->addWidget(history);
    layout->addLayout(buttons);

    const auto refreshNow = [this] { refresh(); };
    connect(&automatch, &AutomatchManager::isAutomatchActiveChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::currentGameIndexChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::totalGamesChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::engine1WinsChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::engine2WinsChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::drawsChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::isCountingDownChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::countdownRemainingChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::matchFinishedReasonChanged, this, refreshNow);
    connect(&automatch, &AutomatchManager::engine1Changed, this, refreshNow);
    connect(&automatch, &AutomatchManager::engine2Changed, this, refreshNow);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, refreshNow);
    refresh();
}

void AutomatchStrip::refresh() {
    const bool active = m_automatch.isAutomatchActive();
    const bool finished = !active && m_automatch.matchFinishedReason().has_value();
    setVisible(active || finished);
    if (!active && !finished) {
        return;
    }
    m_flag->setVisible(finished);
    m_stop->setVisible(active);
    m_title->setText(finished ? m_localization.text(QStringLiteral("automatch_finished"))
                              : QStringLiteral("Automatch: %1 / %2")
                                    .arg(m_automatch.currentGameIndex())
                                    .arg(m_automatch.totalGames()));
    const QString wins = m_localization.text(QStringLiteral("automatch_wins"));
    // Built by joining, not by arg(): an engine's name may itself contain "%1".
    const auto side = [&wins](const QString& name, double score, std::int64_t won) {
        return name + QStringLiteral(": ") + points(score) + QStringLiteral(" (") +
               QString::number(won) + QLatin1Char(' ') + wins + QLatin1Char(')');
    };
    m_score->setText(side(m_automatch.effectiveEngine1Name(), m_automatch.engine1Score(),
                          m_automatch.engine1Wins()) +
                     QStringLiteral(" – ") +
                     side(m_automatch.effectiveEngine2Name(), m_automatch.engine2Score(),
                          m_automatch.engine2Wins()));
    const bool countingDown = active && m_automatch.isCountingDown();
    m_countdown->setVisible(countingDown);
    if (countingDown) {
        m_countdown->setText(m_localization.text(QStringLiteral("automatch_next_game_countdown"))
                                 .arg(QString::number(m_automatch.countdownRemaining(), 'f', 1)));
    }
}

} // namespace velkor::panel

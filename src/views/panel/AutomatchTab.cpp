#include "AutomatchTab.h"

#include "AutomatchConfigCard.h"
#include "AutomatchHistoryView.h"
#include "AutomatchScoreboard.h"
#include "AutomatchTexts.h"
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

AutomatchTab::AutomatchTab(AutomatchManager& automatch, GameManager& games, EngineManager& engines,
                           LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_automatch(automatch), m_localization(localization) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    QLabel* title = heading(QStringLiteral("automatch_title"), localization, this);
    embolden(*title, 1.15);
    layout->addWidget(title);
    layout->addWidget(hintLabel(QStringLiteral("automatch_subtitle"), localization, this));
    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("automatchStatus"));
    embolden(*m_status);
    layout->addWidget(m_status);
    m_message = makeWrappingLabel({}, this);
    m_message->setObjectName(QStringLiteral("automatchMessage"));
    layout->addWidget(m_message);

    layout->addWidget(new AutomatchConfigCard(automatch, engines, localization, this));

    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("startAutomatchButton"));
    m_start->setMinimumHeight(32);
    layout->addWidget(m_start);
    auto* controls = new QHBoxLayout;
    m_pause = new QPushButton(this);
    m_pause->setObjectName(QStringLiteral("pauseAutomatchButton"));
    m_stop = new QPushButton(this);
    m_stop->setObjectName(QStringLiteral("stopAutomatchButton"));
    for (QPushButton* button : {m_pause, m_stop}) {
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        controls->addWidget(button, 1);
    }
    layout->addLayout(controls);
    connect(m_start, &QPushButton::clicked, this, [this] { m_automatch.start(); });
    connect(m_pause, &QPushButton::clicked, this, [this] {
        m_automatch.isAutomatchPaused() ? m_automatch.resume() : m_automatch.pause();
    });
    connect(m_stop, &QPushButton::clicked, &automatch, &AutomatchManager::stop);

    layout->addWidget(new AutomatchScoreboard(automatch, localization, this));
    auto* history = new AutomatchHistoryView(automatch, games, localization, this);
    connect(history, &AutomatchHistoryView::toastRequested, this, &AutomatchTab::toastRequested);
    layout->addWidget(history);
    layout->addStretch(1);

    for (const auto signal : {&AutomatchManager::isAutomatchActiveChanged,
                              &AutomatchManager::isAutomatchPausedChanged}) {
        connect(&automatch, signal, this, &AutomatchTab::refresh);
    }
    connect(&automatch, &AutomatchManager::totalGamesChanged, this, &AutomatchTab::refresh);
    connect(&automatch, &AutomatchManager::historyCountChanged, this, &AutomatchTab::refresh);
    connect(&automatch, &AutomatchManager::configurationErrorChanged, this, &AutomatchTab::refresh);
    connect(&automatch, &AutomatchManager::matchFinishedReasonChanged, this,
            &AutomatchTab::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &AutomatchTab::refresh);
    refresh();
}

void AutomatchTab::refresh() {
    const bool active = m_automatch.isAutomatchActive();
    const bool paused = m_automatch.isAutomatchPaused();
    QString status;
    if (m_automatch.isMatchFinished()) {
        status = m_localization.text(QStringLiteral("automatch_finished"));
    } else if (active && paused) {
        status = m_localization.text(QStringLiteral("automatch_paused"));
    } else if (active) {
        status = m_localization.text(QStringLiteral("automatch_in_progress"));
    } else {
        status = m_localization.text(QStringLiteral("automatch_ready"));
    }
    m_status->setText(status);

    // Why a start was refused outranks how the last series ended.
    if (const auto& error = m_automatch.configurationError()) {
        m_message->setText(configurationErrorText(*error, m_localization));
        setTone(*m_message, Tone::failure);
        m_message->show();
    } else if (const auto& finished = m_automatch.seriesEnd(); finished && !active) {
        m_message->setText(seriesEndText(*finished, m_localization));
        setTone(*m_message, Tone::plain);
        m_message->show();
    } else {
        m_message->hide();
    }

    m_start->setText(
        m_localization.text(QStringLiteral("btn_start_automatch")) + QStringLiteral(" (") +
        m_localization.text(QStringLiteral("automatch_n_games")).arg(m_automatch.totalGames()) +
        QStringLiteral(")"));
    m_start->setEnabled(!active);
    m_pause->setText(m_localization.text(paused ? QStringLiteral("btn_resume_automatch")
                                                : QStringLiteral("btn_pause_automatch")));
    m_pause->setEnabled(active);
    m_stop->setText(m_localization.text(QStringLiteral("btn_stop_automatch")));
    m_stop->setEnabled(active);
}

} // namespace velkor::panel

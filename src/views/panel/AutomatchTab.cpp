#include "AutomatchTab.h"

#include "AutomatchConfigCard.h"
#include "AutomatchHistoryView.h"
#include "AutomatchScoreboard.h"
#include "AutomatchTexts.h"
#include "FullSpeedCard.h"
#include "FullSpeedProgressView.h"
#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "automatch/AutomatchManager.h"
#include "automatch/FullSpeedMatch.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"
#include "views/PGNExporter.h"

#include <QButtonGroup>
#include <QFile>
#include <QFileDialog>
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

    m_fullSpeed = new automatch::FullSpeedMatch(automatch, this);
    auto* modes = new QHBoxLayout;
    auto* modeGroup = new QButtonGroup(this);
    m_watchMode = new QPushButton(this);
    m_watchMode->setObjectName(QStringLiteral("automatchWatchMode"));
    m_fullSpeedMode = new QPushButton(this);
    m_fullSpeedMode->setObjectName(QStringLiteral("automatchFullSpeedMode"));
    for (QPushButton* mode : {m_watchMode, m_fullSpeedMode}) {
        mode->setCheckable(true);
        // Looks like the panel's own tabs: one of two pages of the same tab.
        mode->setProperty("panelRole", QStringLiteral("tab"));
        modeGroup->addButton(mode);
        modes->addWidget(mode, 1);
    }
    m_watchMode->setChecked(true);
    layout->addLayout(modes);

    m_config = new AutomatchConfigCard(automatch, engines, localization, this);
    layout->addWidget(m_config);

    m_watchControls = new QWidget(this);
    auto* watch = new QVBoxLayout(m_watchControls);
    watch->setContentsMargins(0, 0, 0, 0);
    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("startAutomatchButton"));
    m_start->setMinimumHeight(32);
    watch->addWidget(m_start);
    auto* controls = new QHBoxLayout;
    m_pause = new QPushButton(this);
    m_pause->setObjectName(QStringLiteral("pauseAutomatchButton"));
    m_stop = new QPushButton(this);
    m_stop->setObjectName(QStringLiteral("stopAutomatchButton"));
    for (QPushButton* button : {m_pause, m_stop}) {
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        controls->addWidget(button, 1);
    }
    watch->addLayout(controls);
    m_scoreboard = new AutomatchScoreboard(automatch, localization, this);
    watch->addWidget(m_scoreboard);
    layout->addWidget(m_watchControls);
    connect(m_start, &QPushButton::clicked, this, [this] { m_automatch.start(); });
    connect(m_pause, &QPushButton::clicked, this, [this] {
        m_automatch.isAutomatchPaused() ? m_automatch.resume() : m_automatch.pause();
    });
    connect(m_stop, &QPushButton::clicked, &automatch, &AutomatchManager::stop);

    m_fullSpeedControls = new QWidget(this);
    auto* fullSpeed = new QVBoxLayout(m_fullSpeedControls);
    fullSpeed->setContentsMargins(0, 0, 0, 0);
    fullSpeed->addWidget(new FullSpeedCard(*m_fullSpeed, localization, this));
    m_fullSpeedStart = new QPushButton(this);
    m_fullSpeedStart->setObjectName(QStringLiteral("startFullSpeedButton"));
    m_fullSpeedStart->setMinimumHeight(32);
    m_fullSpeedStop = new QPushButton(this);
    m_fullSpeedStop->setObjectName(QStringLiteral("stopFullSpeedButton"));
    m_fullSpeedStop->setMinimumHeight(32);
    // One in place of the other: a match is either ready to start or running.
    fullSpeed->addWidget(m_fullSpeedStart);
    fullSpeed->addWidget(m_fullSpeedStop);
    m_copyCommand = new QPushButton(this);
    m_copyCommand->setObjectName(QStringLiteral("copyFastchessCommandButton"));
    m_importMatch = new QPushButton(this);
    m_importMatch->setObjectName(QStringLiteral("importMatchButton"));
    fullSpeed->addWidget(m_copyCommand);
    fullSpeed->addWidget(m_importMatch);
    fullSpeed->addWidget(new FullSpeedProgressView(*m_fullSpeed, localization, this));
    m_fullSpeedControls->hide();
    layout->addWidget(m_fullSpeedControls);
    connect(m_fullSpeedStart, &QPushButton::clicked, m_fullSpeed,
            &automatch::FullSpeedMatch::start);
    connect(m_fullSpeedStop, &QPushButton::clicked, m_fullSpeed, &automatch::FullSpeedMatch::stop);
    connect(m_copyCommand, &QPushButton::clicked, this, &AutomatchTab::copyFastchessCommand);
    connect(m_importMatch, &QPushButton::clicked, this, &AutomatchTab::chooseMatchToImport);
    connect(modeGroup, &QButtonGroup::buttonClicked, this, &AutomatchTab::refresh);
    connect(m_fullSpeed, &automatch::FullSpeedMatch::statusChanged, this, &AutomatchTab::refresh);
    connect(m_fullSpeed, &automatch::FullSpeedMatch::errorChanged, this, &AutomatchTab::refresh);

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

void AutomatchTab::copyFastchessCommand() {
    const auto command = m_fullSpeed->fastchessCommandLine();
    if (command.index() == 0) {
        PGNExporter::copyToClipboard(std::get<0>(command));
        emit toastRequested(m_localization.text(QStringLiteral("copied_to_clipboard")));
    } else {
        emit toastRequested(std::get<1>(command));
    }
}

void AutomatchTab::chooseMatchToImport() {
    auto* dialog = new QFileDialog(this, m_localization.text(QStringLiteral("full_speed_import")),
                                   QString(), QStringLiteral("PGN (*.pgn)"));
    dialog->setObjectName(QStringLiteral("importMatchDialog"));
    dialog->setFileMode(QFileDialog::ExistingFile);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::fileSelected, this, &AutomatchTab::importMatchFile);
    dialog->open();
}

void AutomatchTab::importMatchFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        emit toastRequested(file.errorString());
        return;
    }
    if (m_fullSpeed->importPGN(QString::fromUtf8(file.readAll()))) {
        emit toastRequested(m_localization.text(QStringLiteral("full_speed_imported"))
                                .arg(m_automatch.historyCount()));
    }
}

void AutomatchTab::refresh() {
    const bool fullSpeedMode = m_fullSpeedMode->isChecked();
    const bool fullSpeedRunning = m_fullSpeed->status().running;
    m_watchMode->setText(m_localization.text(QStringLiteral("automatch_mode_watch")));
    m_fullSpeedMode->setText(m_localization.text(QStringLiteral("automatch_mode_full_speed")));
    // A running match of either kind keeps the tab on its own controls.
    m_watchMode->setEnabled(!fullSpeedRunning);
    m_fullSpeedMode->setEnabled(!m_automatch.isAutomatchActive());
    m_watchControls->setVisible(!fullSpeedMode);
    m_fullSpeedControls->setVisible(fullSpeedMode);
    m_config->setWatchedSeriesShown(!fullSpeedMode);
    m_config->setLocked(fullSpeedRunning);
    m_fullSpeedStart->setText(m_localization.text(QStringLiteral("full_speed_start")));
    m_fullSpeedStart->setEnabled(!m_automatch.isAutomatchActive());
    m_fullSpeedStart->setVisible(!fullSpeedRunning);
    m_fullSpeedStop->setText(m_localization.text(QStringLiteral("btn_stop_automatch")));
    m_fullSpeedStop->setVisible(fullSpeedRunning);
    m_copyCommand->setText(m_localization.text(QStringLiteral("full_speed_copy_command")));
    m_importMatch->setText(m_localization.text(QStringLiteral("full_speed_import")));
    m_importMatch->setEnabled(!fullSpeedRunning && !m_automatch.isAutomatchActive());

    const bool active = m_automatch.isAutomatchActive();
    const bool paused = m_automatch.isAutomatchPaused();
    QString status;
    if (fullSpeedMode) {
        status = m_localization.text(fullSpeedRunning ? QStringLiteral("automatch_in_progress")
                                                      : QStringLiteral("automatch_ready"));
    } else if (m_automatch.isMatchFinished()) {
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
    if (fullSpeedMode) {
        const auto& error = m_fullSpeed->error();
        m_message->setText(error.value_or(QString()));
        setTone(*m_message, Tone::failure);
        m_message->setVisible(error.has_value());
    } else if (const auto& error = m_automatch.configurationError()) {
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
    m_start->setEnabled(!active && !fullSpeedRunning);
    m_pause->setText(m_localization.text(paused ? QStringLiteral("btn_resume_automatch")
                                                : QStringLiteral("btn_pause_automatch")));
    m_pause->setEnabled(active);
    m_stop->setText(m_localization.text(QStringLiteral("btn_stop_automatch")));
    m_stop->setEnabled(active);
}

} // namespace velkor::panel

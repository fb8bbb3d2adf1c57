#include "AutomatchHistoryView.h"

#include "AutomatchTexts.h"
#include "PanelWidgets.h"
#include "automatch/AutomatchManager.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"
#include "views/PGNExporter.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace velkor::panel {

namespace {

QPushButton* smallButton(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return button;
}

} // namespace

AutomatchHistoryView::AutomatchHistoryView(AutomatchManager& automatch, GameManager& games,
                                           LocalizationManager& localization, QWidget* parent)
    : QFrame(parent), m_automatch(automatch), m_games(games), m_localization(localization) {
    setObjectName(QStringLiteral("automatchHistory"));
    QVBoxLayout* layout = nullptr;
    QFrame* card = makeCard(this, layout);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(card);
    auto* heading = new LocalizedText(QStringLiteral("automatch_history"), localization, card);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    heading->setWordWrap(true);
    layout->addWidget(heading);

    auto* exports = new QGridLayout;
    exports->setSpacing(4);
    QPushButton* allPgn = smallButton({}, QStringLiteral("exportAllPgnButton"), card);
    bindLocalizedText(allPgn, localization, QStringLiteral("automatch_export_all_pgn"),
                      [allPgn](const QString& text) { allPgn->setText(text); });
    QPushButton* csv = smallButton(QStringLiteral("CSV"), QStringLiteral("exportCsvButton"), card);
    QPushButton* json =
        smallButton(QStringLiteral("JSON"), QStringLiteral("exportJsonButton"), card);
    QPushButton* clear = smallButton({}, QStringLiteral("clearHistoryButton"), card);
    bindLocalizedText(clear, localization, QStringLiteral("automatch_clear_history"),
                      [clear](const QString& text) { clear->setText(text); });
    exports->addWidget(allPgn, 0, 0, 1, 2);
    exports->addWidget(csv, 1, 0);
    exports->addWidget(json, 1, 1);
    exports->addWidget(clear, 2, 0, 1, 2);
    layout->addLayout(exports);
    connect(allPgn, &QPushButton::clicked, this, [this] { copy(m_automatch.exportAllPGN()); });
    connect(csv, &QPushButton::clicked, this, [this] { copy(m_automatch.exportCSV()); });
    connect(json, &QPushButton::clicked, this, [this] { copy(m_automatch.exportJSON()); });
    connect(clear, &QPushButton::clicked, this, &AutomatchHistoryView::confirmClear);

    m_empty = makeHintLabel({}, card);
    bindLocalizedText(m_empty, localization, QStringLiteral("automatch_history_empty"),
                      [label = m_empty](const QString& text) { label->setText(text); });
    m_empty->setObjectName(QStringLiteral("historyEmpty"));
    layout->addWidget(m_empty);
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setSpacing(4);
    layout->addLayout(m_rowsLayout);

    connect(&automatch, &AutomatchManager::historyChanged, this, &AutomatchHistoryView::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, [this] {
        // The row buttons carry the language's texts: draw them again.
        removeRows();
        refresh();
    });
    refresh();
}

void AutomatchHistoryView::copy(const QString& text) {
    PGNExporter::copyToClipboard(text);
    emit toastRequested(m_localization.text(QStringLiteral("copied_to_clipboard")));
}

void AutomatchHistoryView::confirmClear() {
    if (m_automatch.history().isEmpty()) {
        m_automatch.clearHistory();
        return;
    }
    // The history is the only record of the games; one click must not throw it away.
    auto* question = new QMessageBox(
        QMessageBox::Question, m_localization.text(QStringLiteral("automatch_clear_history")),
        m_localization.text(QStringLiteral("automatch_clear_history_question")),
        QMessageBox::Yes | QMessageBox::Cancel, this);
    // Qt's own button words are English; these are the interface language's.
    question->button(QMessageBox::Yes)
        ->setText(m_localization.text(QStringLiteral("automatch_clear_history")));
    question->button(QMessageBox::Cancel)
        ->setText(m_localization.text(QStringLiteral("btn_cancel")));
    question->setObjectName(QStringLiteral("clearHistoryQuestion"));
    question->setAttribute(Qt::WA_DeleteOnClose);
    connect(question, &QMessageBox::finished, this, [this](int answer) {
        if (answer == QMessageBox::Yes) {
            m_automatch.clearHistory();
        }
    });
    question->open();
}

void AutomatchHistoryView::removeRows() {
    while (QLayoutItem* item = m_rowsLayout->takeAt(0)) {
        if (QWidget* widget = item->widget()) {
            widget->hide();
            widget->deleteLater();
        }
        delete item;
    }
    m_shownIds.clear();
}

void AutomatchHistoryView::refresh() {
    const QList<AutomatchGameRecord>& history = m_automatch.history();
    m_empty->setVisible(history.isEmpty());
    const bool extends = static_cast<qsizetype>(m_shownIds.size()) <= history.size() &&
                         std::equal(m_shownIds.begin(), m_shownIds.end(), history.begin(),
                                    [](const QUuid& id, const AutomatchGameRecord& record) {
                                        return id == record.id;
                                    });
    if (!extends) {
        removeRows();
    }
    // Newest first: each new record goes on top.
    for (qsizetype i = static_cast<qsizetype>(m_shownIds.size()); i < history.size(); ++i) {
        m_rowsLayout->insertWidget(0, makeRow(history[i]));
        m_shownIds.push_back(history[i].id);
    }
}

QWidget* AutomatchHistoryView::makeRow(const AutomatchGameRecord& record) {
    auto* row = new QFrame;
    row->setObjectName(QStringLiteral("historyRow_%1").arg(record.gameNumber));
    row->setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(row);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setSpacing(2);
    auto* title = new QHBoxLayout;
    auto* players =
        makeWrappingLabel(QStringLiteral("<b>#%1</b> ").arg(record.gameNumber) +
                              record.whiteEngineName.toHtmlEscaped() + QStringLiteral(" – ") +
                              record.blackEngineName.toHtmlEscaped(),
                          row);
    auto* result =
        new QLabel(QStringLiteral("<b>") + record.resultBadgeText() + QStringLiteral("</b>"), row);
    result->setObjectName(QStringLiteral("historyResult"));
    title->addWidget(players, 1);
    title->addWidget(result);
    layout->addLayout(title);
    layout->addWidget(makeHintLabel(recordReasonText(record.reason, m_localization), row));

    auto* buttons = new QHBoxLayout;
    QPushButton* load = smallButton(m_localization.text(QStringLiteral("automatch_load_game")),
                                    QStringLiteral("loadGameButton"), row);
    QPushButton* copyPgn = smallButton(m_localization.text(QStringLiteral("btn_copy_pgn")),
                                       QStringLiteral("copyGameButton"), row);
    buttons->addWidget(load, 2);
    buttons->addWidget(copyPgn, 1);
    layout->addLayout(buttons);

    const QUuid id = record.id;
    const auto findRecord = [this, id]() -> const AutomatchGameRecord* {
        for (const AutomatchGameRecord& candidate : m_automatch.history()) {
            if (candidate.id == id) {
                return &candidate;
            }
        }
        return nullptr;
    };
    connect(load, &QPushButton::clicked, this, [this, findRecord] {
        if (const AutomatchGameRecord* found = findRecord()) {
            // A copy: replaying ends the game on the board, which may add to the history.
            const AutomatchGameRecord loaded = *found;
            if (!m_automatch.viewGameOnBoard(loaded)) {
                emit toastRequested(
                    m_localization.text(QStringLiteral("automatch_view_refused_running")));
                return;
            }
            emit toastRequested(m_localization.text(QStringLiteral("automatch_game_loaded"))
                                    .arg(loaded.gameNumber));
        }
    });
    connect(copyPgn, &QPushButton::clicked, this, [this, findRecord] {
        if (const AutomatchGameRecord* found = findRecord()) {
            copy(found->pgn);
        }
    });
    return row;
}

} // namespace velkor::panel

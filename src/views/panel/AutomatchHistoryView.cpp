#include "AutomatchHistoryView.h"

#include "AutomatchHistoryModel.h"
#include "AutomatchTexts.h"
#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "automatch/AutomatchManager.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"
#include "views/PGNExporter.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

namespace velkor::panel {

namespace {

// Rows visible at once; the list scrolls beyond them.
constexpr int visibleRows = 5;

QPushButton* smallButton(const QString& text, const QString& objectName, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    return button;
}

} // namespace

AutomatchHistoryView::AutomatchHistoryView(AutomatchManager& automatch, GameManager& games,
                                           LocalizationManager& localization, QWidget* parent)
    : Card(QStringLiteral("automatch_history"), localization, parent), m_automatch(automatch),
      m_games(games), m_localization(localization) {
    setObjectName(QStringLiteral("automatchHistory"));
    QVBoxLayout* layout = body();

    auto* exports = new QGridLayout;
    exports->setSpacing(4);
    QPushButton* allPgn = smallButton({}, QStringLiteral("exportAllPgnButton"), this);
    bindLocalizedText(allPgn, localization, QStringLiteral("automatch_export_all_pgn"),
                      [allPgn](const QString& text) { allPgn->setText(text); });
    QPushButton* csv = smallButton(QStringLiteral("CSV"), QStringLiteral("exportCsvButton"), this);
    QPushButton* json =
        smallButton(QStringLiteral("JSON"), QStringLiteral("exportJsonButton"), this);
    QPushButton* save = smallButton({}, QStringLiteral("saveHistoryButton"), this);
    bindLocalizedText(save, localization, QStringLiteral("automatch_save_history"),
                      [save](const QString& text) { save->setText(text); });
    QPushButton* clear = smallButton({}, QStringLiteral("clearHistoryButton"), this);
    bindLocalizedText(clear, localization, QStringLiteral("automatch_clear_history"),
                      [clear](const QString& text) { clear->setText(text); });
    exports->addWidget(allPgn, 0, 0, 1, 2);
    exports->addWidget(csv, 1, 0);
    exports->addWidget(json, 1, 1);
    exports->addWidget(save, 2, 0, 1, 2);
    exports->addWidget(clear, 3, 0, 1, 2);
    layout->addLayout(exports);
    connect(allPgn, &QPushButton::clicked, this, [this] { copy(m_automatch.exportAllPGN()); });
    connect(csv, &QPushButton::clicked, this, [this] { copy(m_automatch.exportCSV()); });
    connect(json, &QPushButton::clicked, this, [this] { copy(m_automatch.exportJSON()); });
    connect(save, &QPushButton::clicked, this, &AutomatchHistoryView::chooseSaveFile);
    connect(clear, &QPushButton::clicked, this, &AutomatchHistoryView::confirmClear);

    m_notice = makeWrappingLabel({}, this);
    m_notice->setObjectName(QStringLiteral("historyNotice"));
    setTone(*m_notice, Tone::failure);
    m_notice->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_notice);

    m_empty = hintLabel(QStringLiteral("automatch_history_empty"), localization, this);
    m_empty->setObjectName(QStringLiteral("historyEmpty"));
    layout->addWidget(m_empty);

    m_model = new AutomatchHistoryModel(automatch, this);
    auto* delegate = new AutomatchHistoryDelegate(localization, this);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("historyList"));
    // Tools that drive the window find each row by this role's name.
    m_list->setProperty("widgetMapRole", int(AutomatchHistoryModel::rowNameRole));
    m_list->setModel(m_model);
    m_list->setItemDelegate(delegate);
    m_list->setUniformItemSizes(true);
    m_list->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_list->setFrameShape(QFrame::NoFrame);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setMouseTracking(true);
    m_list->viewport()->setAutoFillBackground(false);
    layout->addWidget(m_list);
    connect(delegate, &AutomatchHistoryDelegate::loadRequested, this, &AutomatchHistoryView::load);
    connect(delegate, &AutomatchHistoryDelegate::copyRequested, this,
            &AutomatchHistoryView::copyGame);
    // Enter or a double click on a row replays it, as its button does.
    connect(m_list, &QListView::activated, this, [this](const QModelIndex& index) {
        load(index.data(AutomatchHistoryModel::keyRole).toLongLong());
    });

    connect(&automatch, &AutomatchManager::historyCountChanged, this,
            &AutomatchHistoryView::refresh);
    connect(&automatch, &AutomatchManager::historyNoticeChanged, this,
            &AutomatchHistoryView::showNotice);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, [this] {
        // The rows' buttons carry the language's texts.
        m_list->viewport()->update();
        showNotice();
    });
    refresh();
    showNotice();
}

void AutomatchHistoryView::refresh() {
    const std::int64_t count = m_automatch.historyCount();
    m_empty->setVisible(count == 0);
    m_list->setVisible(count > 0);
    resizeList();
}

void AutomatchHistoryView::resizeList() {
    // As tall as the games it has, up to a few rows; the list scrolls beyond them, so that the
    // panel around it does not grow with the history.
    const int rows =
        static_cast<int>(std::min<std::int64_t>(m_automatch.historyCount(), visibleRows));
    m_list->setFixedHeight(rows * AutomatchHistoryDelegate::rowHeight(m_list->font()) +
                           2 * m_list->frameWidth());
}

QString AutomatchHistoryView::noticeText(const HistoryNotice& notice,
                                         const LocalizationManager& localization) {
    switch (notice.kind) {
    case HistoryNotice::Kind::damagedRecordsSetAside:
        return localization.text(QStringLiteral("history_records_set_aside")) + u' ' +
               QString::number(notice.count) + u'\n' +
               localization.text(QStringLiteral("history_copy_kept")) + u' ' + notice.path;
    case HistoryNotice::Kind::unreadableHistoryKept:
        return localization.text(QStringLiteral("history_unreadable")) + u'\n' +
               localization.text(QStringLiteral("history_copy_kept")) + u' ' + notice.path;
    case HistoryNotice::Kind::cannotSave:
        return localization.text(QStringLiteral("history_cannot_save")) + u' ' + notice.path +
               (notice.detail.isEmpty() ? QString() : u'\n' + notice.detail);
    }
    return {};
}

void AutomatchHistoryView::showNotice() {
    const std::optional<HistoryNotice>& notice = m_automatch.historyNotice();
    m_notice->setVisible(notice.has_value());
    if (!notice) {
        return;
    }
    const QString text = noticeText(*notice, m_localization);
    const bool changed = m_notice->text() != text;
    m_notice->setText(text);
    if (!changed || findChild<QMessageBox*>(QStringLiteral("historyNoticeAlert"))) {
        return;
    }
    // Told once, in an alert the person closes; the line stays in the card for this session.
    QTimer::singleShot(0, this, [this, text] {
        auto* alert = new QMessageBox(QMessageBox::Warning,
                                      m_localization.text(QStringLiteral("automatch_history")),
                                      text, QMessageBox::Ok, this);
        alert->setObjectName(QStringLiteral("historyNoticeAlert"));
        alert->setAttribute(Qt::WA_DeleteOnClose);
        connect(alert, &QMessageBox::finished, this, [this] {
            // The notice was read; a later start does not repeat it.
            m_automatch.acknowledgeHistoryNotice();
        });
        alert->open();
    });
}

void AutomatchHistoryView::load(qint64 key) {
    const std::optional<AutomatchGameRecord> record = m_automatch.historyRecord(key);
    if (!record) {
        return;
    }
    if (!m_automatch.viewGameOnBoard(*record)) {
        emit toastRequested(m_localization.text(QStringLiteral("automatch_view_refused_running")));
        return;
    }
    emit toastRequested(
        m_localization.text(QStringLiteral("automatch_game_loaded")).arg(record->gameNumber));
}

void AutomatchHistoryView::copyGame(qint64 key) {
    if (const std::optional<AutomatchGameRecord> record = m_automatch.historyRecord(key)) {
        copy(automatch::seriesGamePGN(*record));
    }
}

void AutomatchHistoryView::copy(const QString& text) {
    PGNExporter::copyToClipboard(text);
    emit toastRequested(m_localization.text(QStringLiteral("copied_to_clipboard")));
}

void AutomatchHistoryView::chooseSaveFile() {
    const QString pgnFilter = QStringLiteral("PGN (*.pgn)");
    const QString csvFilter = QStringLiteral("CSV (*.csv)");
    const QString jsonFilter = QStringLiteral("JSON (*.json)");
    auto* dialog = new QFileDialog(
        this, m_localization.text(QStringLiteral("automatch_save_history")),
        QStringLiteral("velkor_automatch.pgn"),
        pgnFilter + QStringLiteral(";;") + csvFilter + QStringLiteral(";;") + jsonFilter);
    dialog->setObjectName(QStringLiteral("saveHistoryDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QFileDialog::filterSelected, dialog, [dialog](const QString& filter) {
        dialog->setDefaultSuffix(filter.section(QStringLiteral("*."), 1).chopped(1));
    });
    dialog->setDefaultSuffix(QStringLiteral("pgn"));
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, dialog, csvFilter, jsonFilter](const QString& path) {
                const QString filter = dialog->selectedNameFilter();
                const ExportFormat format = filter == csvFilter    ? ExportFormat::csv
                                            : filter == jsonFilter ? ExportFormat::json
                                                                   : ExportFormat::pgn;
                saveHistoryTo(path, format);
            });
    dialog->open();
}

void AutomatchHistoryView::saveHistoryTo(const QString& path, ExportFormat format) {
    QString text;
    const auto sink = [&text](const QString& piece) { text += piece; };
    bool read = false;
    switch (format) {
    case ExportFormat::pgn:
        read = m_automatch.exportAllPGN(sink);
        break;
    case ExportFormat::csv:
        read = m_automatch.exportCSV(sink);
        break;
    case ExportFormat::json:
        read = m_automatch.exportJSON(sink);
        break;
    }
    std::optional<QString> error;
    if (!read) {
        error = m_localization.text(QStringLiteral("history_cannot_read"));
    } else if (format == ExportFormat::pgn && !text.isEmpty()) {
        // A PGN file ends its last game with a line end.
        text += u'\n';
    }
    if (!error) {
        error = PGNExporter::writeTextAtomically(path, text);
    }
    if (!error) {
        emit toastRequested(m_localization.text(QStringLiteral("automatch_history_saved")) + u' ' +
                            path);
        return;
    }
    auto* alert = new QMessageBox(
        QMessageBox::Warning, m_localization.text(QStringLiteral("automatch_save_history")),
        m_localization.text(QStringLiteral("automatch_save_failed")) + u' ' + path + u'\n' + *error,
        QMessageBox::Ok, this);
    alert->setObjectName(QStringLiteral("saveHistoryFailed"));
    alert->setAttribute(Qt::WA_DeleteOnClose);
    alert->open();
}

void AutomatchHistoryView::confirmClear() {
    if (m_automatch.historyCount() == 0) {
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

} // namespace velkor::panel

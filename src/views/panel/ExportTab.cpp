#include "ExportTab.h"

#include "PanelStyle.h"
#include "PanelWidgets.h"
#include "base/DomainError.h"
#include "game/BoardShapes.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"
#include "views/PGNExporter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velkor::panel {

namespace {

QPushButton* localizedButton(const QString& key, const QString& objectName,
                             LocalizationManager& localization, QWidget* parent) {
    auto* button = new QPushButton(parent);
    button->setObjectName(objectName);
    bindLocalizedText(button, localization, key,
                      [button](const QString& text) { button->setText(text); });
    return button;
}

QPlainTextEdit* readOnlyText(const QString& objectName, int height, QWidget* parent) {
    auto* text = new QPlainTextEdit(parent);
    text->setObjectName(objectName);
    text->setReadOnly(true);
    text->setFixedHeight(height);
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSizeF(parent->font().pointSizeF() * 0.85);
    text->setFont(mono);
    return text;
}

} // namespace

ExportTab::ExportTab(GameManager& games, LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games), m_localization(localization) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);

    auto* pgn = new Card(QStringLiteral("export_pgn_heading"), localization, this);
    layout->addWidget(pgn);
    QVBoxLayout* pgnCard = pgn->body();
    m_pgn = readOnlyText(QStringLiteral("pgnText"), 170, this);
    pgnCard->addWidget(m_pgn);
    auto* pgnButtons = new QHBoxLayout;
    QPushButton* savePgn = localizedButton(QStringLiteral("btn_save_pgn"),
                                           QStringLiteral("savePgnButton"), localization, this);
    QPushButton* copyPgn = localizedButton(QStringLiteral("btn_copy_pgn"),
                                           QStringLiteral("copyPgnButton"), localization, this);
    pgnButtons->addWidget(savePgn);
    pgnButtons->addWidget(copyPgn);
    pgnCard->addLayout(pgnButtons);
    connect(savePgn, &QPushButton::clicked, this, [this] {
        PGNExporter::savePGNDialog(this, BoardShapes::of(m_games).exportPGN(),
                                   QStringLiteral("velkor_game.pgn"));
    });
    connect(copyPgn, &QPushButton::clicked, this, [this] {
        PGNExporter::copyToClipboard(BoardShapes::of(m_games).exportPGN());
        emit toastRequested(m_localization.text(QStringLiteral("copied_to_clipboard")));
    });

    auto* fen = new Card(QStringLiteral("export_fen_heading"), localization, this);
    layout->addWidget(fen);
    QVBoxLayout* fenCard = fen->body();
    m_fen = readOnlyText(QStringLiteral("fenText"), 48, this);
    m_fen->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    fenCard->addWidget(m_fen);
    auto* fenButtons = new QHBoxLayout;
    QPushButton* saveFen = localizedButton(QStringLiteral("btn_save_fen"),
                                           QStringLiteral("saveFenButton"), localization, this);
    QPushButton* copyFen = localizedButton(QStringLiteral("btn_copy_fen"),
                                           QStringLiteral("copyFenButton"), localization, this);
    fenButtons->addWidget(saveFen);
    fenButtons->addWidget(copyFen);
    fenCard->addLayout(fenButtons);
    connect(saveFen, &QPushButton::clicked, this, [this] {
        PGNExporter::saveFENDialog(this, m_games.exportFEN(),
                                   QStringLiteral("velkor_position.fen"));
    });
    connect(copyFen, &QPushButton::clicked, this, [this] {
        PGNExporter::copyToClipboard(m_games.exportFEN());
        emit toastRequested(m_localization.text(QStringLiteral("copied_to_clipboard")));
    });

    auto* load = new Card(QStringLiteral("btn_load_fen"), localization, this);
    layout->addWidget(load);
    QVBoxLayout* loadCard = load->body();
    auto* entry = new QHBoxLayout;
    m_fenInput = new QLineEdit(this);
    m_fenInput->setObjectName(QStringLiteral("fenInput"));
    m_fenInput->setPlaceholderText(QStringLiteral("rnbqkbnr/pppppppp/..."));
    m_fenInput->setClearButtonEnabled(true);
    QPushButton* apply = localizedButton(QStringLiteral("btn_apply"),
                                         QStringLiteral("applyFenButton"), localization, this);
    entry->addWidget(m_fenInput, 1);
    entry->addWidget(apply);
    loadCard->addLayout(entry);
    m_fenResult = new QLabel(this);
    m_fenResult->setObjectName(QStringLiteral("fenResult"));
    m_fenResult->setWordWrap(true);
    m_fenResult->hide();
    loadCard->addWidget(m_fenResult);
    connect(apply, &QPushButton::clicked, this, &ExportTab::applyFen);
    connect(m_fenInput, &QLineEdit::returnPressed, this, &ExportTab::applyFen);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &ExportTab::showFenResult);
    layout->addStretch(1);

    // The PGN text is rebuilt from the whole game; while the tab is hidden nobody reads it.
    m_refresh = new CoalescedRefresh(
        200, [this] { refresh(); }, this);
    const auto request = [this] {
        if (isVisible()) {
            m_refresh->request();
        }
    };
    connect(&games, &GameManager::boardChanged, this, request);
    connect(&games, &GameManager::gameEndReasonChanged, this, request);
    connect(&games, &GameManager::shownGameChanged, this, request);
    connect(&BoardShapes::of(games), &BoardShapes::shownChanged, this, request);
    refresh();
}

void ExportTab::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void ExportTab::refresh() {
    const QString pgn = BoardShapes::of(m_games).exportPGN();
    if (m_pgn->toPlainText() != pgn) {
        m_pgn->setPlainText(pgn);
    }
    const QString fen = m_games.exportFEN();
    if (m_fen->toPlainText() != fen) {
        m_fen->setPlainText(fen);
    }
}

void ExportTab::applyFen() {
    const QString text = m_fenInput->text().trimmed();
    bool loaded = false;
    QString reason;
    try {
        m_games.loadFEN(text);
        loaded = true;
    } catch (const DomainError& error) {
        reason = QString::fromStdString(error.message());
    }
    m_fenResultKey =
        loaded ? QStringLiteral("fen_loaded_successfully") : QStringLiteral("invalid_fen");
    m_fenResultReason = reason;
    showFenResult();
    setTone(*m_fenResult, loaded ? Tone::success : Tone::failure);
    m_fenResult->show();
    emit toastRequested(m_localization.text(m_fenResultKey));
    refresh();
}

void ExportTab::showFenResult() {
    if (m_fenResultKey.isEmpty()) {
        return;
    }
    // The reader's own words say what is wrong with the text.
    const QString text = m_localization.text(m_fenResultKey);
    m_fenResult->setText(
        m_fenResultReason.isEmpty() ? text : text + QLatin1Char('\n') + m_fenResultReason);
}

} // namespace velkor::panel

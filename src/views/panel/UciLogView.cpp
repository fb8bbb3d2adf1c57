#include "UciLogView.h"

#include "PanelWidgets.h"
#include "game/GameManager.h"
#include "uci/UCIEngineProcess.h"
#include "views/LocalizedText.h"
#include "views/PGNExporter.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QVBoxLayout>

namespace velkor::panel {

UciLogView::UciLogView(GameManager& games, LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    m_text = new QPlainTextEdit(this);
    m_text->setObjectName(QStringLiteral("uciLog"));
    m_text->setReadOnly(true);
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setMaximumBlockCount(UCIEngineProcess::maxLogLines);
    bindLocalizedText(m_text, localization, QStringLiteral("uci_log_empty"),
                      [this](const QString& text) { m_text->setPlaceholderText(text); });
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSizeF(font().pointSizeF() * 0.85);
    m_text->setFont(mono);
    m_text->setMinimumHeight(180);
    layout->addWidget(m_text);

    auto* copy = new QPushButton(this);
    bindLocalizedText(copy, localization, QStringLiteral("btn_copy_log"),
                      [copy](const QString& text) { copy->setText(text); });
    copy->setObjectName(QStringLiteral("copyLogButton"));
    connect(copy, &QPushButton::clicked, this, [this] {
        PGNExporter::copyToClipboard(m_process ? m_process->logLines().join(QLatin1Char('\n'))
                                               : QString());
        emit copied();
    });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(copy);
    layout->addLayout(buttons);

    m_refresh = new CoalescedRefresh(
        150, [this] { appendNewLines(); }, this);
    connect(&games, &GameManager::currentlyThinkingColorChanged, this,
            &UciLogView::followThinkingEngine);
    for (const PieceColor color : {PieceColor::white, PieceColor::black}) {
        connect(&games.engineSeat(color), &EngineSeat::processChanged, this,
                &UciLogView::followThinkingEngine);
    }
    followThinkingEngine();
}

bool UciLogView::isEmphasised(const QString& line) {
    return line.contains(QLatin1String("bestmove")) || line.contains(QLatin1String("score")) ||
           line.contains(QLatin1String("depth"));
}

void UciLogView::followThinkingEngine() {
    UCIEngineProcess* white = m_games.engineSeat(PieceColor::white).process();
    UCIEngineProcess* black = m_games.engineSeat(PieceColor::black).process();
    if (const auto thinking = m_games.currentlyThinkingColor()) {
        show(*thinking == PieceColor::white ? white : black);
        return;
    }
    // Nobody thinks: keep the engine that thought last while it still plays.
    if (m_process && (m_process == white || m_process == black)) {
        return;
    }
    show(white ? white : black);
}

void UciLogView::show(UCIEngineProcess* process) {
    if (process == m_process && (process || m_shownCount == 0)) {
        return;
    }
    if (m_process) {
        disconnect(m_process, nullptr, this, nullptr);
    }
    m_process = process;
    if (process) {
        connect(process, &UCIEngineProcess::logLinesChanged, m_refresh,
                [this] { m_refresh->request(); });
        rebuild(process->logLines());
    } else {
        rebuild({});
    }
}

void UciLogView::appendNewLines() {
    if (!m_process) {
        return;
    }
    const QStringList& lines = m_process->logLines();
    // The log only grows until it drops its oldest lines; then it is drawn afresh.
    const bool grew = m_shownCount == 0 ||
                      (m_shownCount <= lines.size() && lines[m_shownCount - 1] == m_lastShownLine);
    if (grew) {
        append(lines, m_shownCount);
    } else {
        rebuild(lines);
    }
}

void UciLogView::rebuild(const QStringList& lines) {
    m_text->clear();
    m_shownCount = 0;
    m_lastShownLine.clear();
    append(lines, 0);
}

void UciLogView::append(const QStringList& lines, qsizetype from) {
    if (from < lines.size()) {
        QTextCharFormat plain;
        plain.setFontWeight(QFont::Normal);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        QTextCursor cursor(m_text->document());
        cursor.beginEditBlock();
        cursor.movePosition(QTextCursor::End);
        bool first = m_text->document()->isEmpty();
        for (qsizetype i = from; i < lines.size(); ++i) {
            if (!first) {
                cursor.insertBlock();
            }
            first = false;
            cursor.insertText(lines[i], isEmphasised(lines[i]) ? bold : plain);
        }
        cursor.endEditBlock();
        m_text->verticalScrollBar()->setValue(m_text->verticalScrollBar()->maximum());
    }
    m_shownCount = lines.size();
    m_lastShownLine = lines.isEmpty() ? QString() : lines.last();
}

} // namespace velkor::panel

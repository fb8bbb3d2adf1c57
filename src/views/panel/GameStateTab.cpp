#include "GameStateTab.h"

#include "PanelWidgets.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QGridLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdlib>

namespace velkor::panel {

namespace {

// The glyphs of the men a colour has taken, that is, the opponent's missing men.
QString capturedGlyphs(const std::vector<Piece>& taken) {
    QString glyphs;
    for (const Piece& piece : taken) {
        const std::string_view symbol = piece.unicodeSymbol();
        glyphs += QString::fromUtf8(symbol.data(), static_cast<qsizetype>(symbol.size()));
    }
    return glyphs;
}

QString materialAdvantage(std::int64_t balance) {
    return balance == 0 ? QString() : QStringLiteral("+") + QString::number(std::abs(balance));
}

} // namespace

GameStateTab::GameStateTab(GameManager& games, LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games), m_localization(localization) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(8);
    layout->addWidget(heading(QStringLiteral("current_state"), localization, this));

    auto* playersCard = new Card(this);
    layout->addWidget(playersCard);
    QVBoxLayout* players = playersCard->body();
    auto* grid = new QGridLayout;
    grid->setColumnStretch(1, 1);
    auto* whiteName = new LocalizedText(QStringLiteral("white_player"), localization, this);
    auto* blackName = new LocalizedText(QStringLiteral("black_player"), localization, this);
    m_whiteCaptured = new QLabel(this);
    m_whiteCaptured->setObjectName(QStringLiteral("whiteCaptured"));
    m_blackCaptured = new QLabel(this);
    m_blackCaptured->setObjectName(QStringLiteral("blackCaptured"));
    for (QLabel* captured : {m_whiteCaptured, m_blackCaptured}) {
        QFont font = captured->font();
        font.setPointSizeF(font.pointSizeF() * 1.3);
        captured->setFont(font);
        captured->setWordWrap(true);
    }
    grid->addWidget(new QLabel(QStringLiteral("♔"), this), 0, 0);
    grid->addWidget(whiteName, 0, 1);
    grid->addWidget(m_whiteCaptured, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("♚"), this), 2, 0);
    grid->addWidget(blackName, 2, 1);
    grid->addWidget(m_blackCaptured, 3, 1);
    players->addLayout(grid);
    auto* materialLine = new QHBoxLayout;
    materialLine->addWidget(
        new LocalizedText(QStringLiteral("material_balance"), localization, this));
    m_material = new QLabel(this);
    m_material->setObjectName(QStringLiteral("materialBalance"));
    m_material->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    materialLine->addWidget(m_material, 1);
    players->addLayout(materialLine);

    auto* countLine = new QHBoxLayout;
    countLine->addWidget(new LocalizedText(QStringLiteral("moves_count"), localization, this));
    m_movesCount = new QLabel(this);
    m_movesCount->setObjectName(QStringLiteral("movesCount"));
    m_movesCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    countLine->addWidget(m_movesCount, 1);
    layout->addLayout(countLine);

    layout->addWidget(heading(QStringLiteral("tab_moves"), localization, this));
    m_noMoves = new LocalizedText(QStringLiteral("no_moves_yet"), localization, this);
    m_noMoves->setObjectName(QStringLiteral("noMovesYet"));
    m_noMoves->setWordWrap(true);
    layout->addWidget(m_noMoves);

    // The move list is built with the first move: a new game shows only the line above, and an
    // item view is among the dearest widgets to set up while the window opens.
    m_movesSlot = layout->count();
    // Takes the spare height while the move list is hidden, so the lines above stay together.
    layout->addStretch(0);

    connect(&games, &GameManager::boardChanged, this, [this] {
        refreshPlayers();
        refreshMoves();
    });
    connect(&games, &GameManager::gameRecordChanged, this, &GameStateTab::refreshMoves);
    // Stepping through the game shows the captured men and material of the position shown, as
    // the banners do.
    connect(&games, &GameManager::inspectingMoveIndexChanged, this, [this] {
        refreshPlayers();
        refreshHighlight();
    });
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &GameStateTab::refreshPlayers);
    refreshPlayers();
    refreshMoves();
}

QTableWidget& GameStateTab::moveTable() {
    if (m_moves) {
        return *m_moves;
    }
    m_moves = new QTableWidget(0, 2, this);
    m_moves->setObjectName(QStringLiteral("moveList"));
    m_moves->horizontalHeader()->hide();
    m_moves->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_moves->verticalHeader()->setDefaultSectionSize(22);
    m_moves->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_moves->setSelectionMode(QAbstractItemView::NoSelection);
    // A click on a move gives the list the keys that step through the game.
    m_moves->setFocusPolicy(Qt::StrongFocus);
    m_moves->installEventFilter(this);
    m_moves->setWordWrap(true);
    connect(m_moves, &QTableWidget::cellClicked, this, [this](int row, int column) {
        const std::int64_t index = static_cast<std::int64_t>(row) * 2 + column;
        const auto plies = static_cast<std::int64_t>(m_games.board().history().size());
        if (index < plies) {
            // The last move is the live position: clicking it ends the look back.
            m_games.inspectMove(index == plies - 1 ? std::nullopt
                                                   : std::optional<std::int64_t>(index));
        }
    });
    static_cast<QVBoxLayout*>(layout())->insertWidget(m_movesSlot, m_moves, 1);
    return *m_moves;
}

bool GameStateTab::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_moves || event->type() != QEvent::KeyPress) {
        return QWidget::eventFilter(watched, event);
    }
    using Step = GameManager::NavigationStep;
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Left:
        m_games.navigate(Step::back);
        return true;
    case Qt::Key_Right:
        m_games.navigate(Step::forward);
        return true;
    case Qt::Key_Home:
        m_games.navigate(Step::start);
        return true;
    case Qt::Key_End:
        m_games.navigate(Step::end);
        return true;
    default:
        return QWidget::eventFilter(watched, event);
    }
}

void GameStateTab::refreshPlayers() {
    const ChessBoard board = m_games.displayedBoard();
    const CapturedPieces captured = board.capturedInGame();
    m_whiteCaptured->setText(capturedGlyphs(captured.black));
    m_blackCaptured->setText(capturedGlyphs(captured.white));
    const std::int64_t balance = board.materialScore();
    if (balance == 0) {
        m_material->setText(m_localization.text(QStringLiteral("eval_equal")));
    } else {
        m_material->setText(m_localization.text(balance > 0 ? QStringLiteral("white_player")
                                                            : QStringLiteral("black_player")) +
                            QLatin1Char(' ') + materialAdvantage(balance));
    }
}

void GameStateTab::refreshMoves() {
    const std::vector<MoveRecord>& history = m_games.board().history();
    const std::vector<MoveAnnotation>& annotations = m_games.gameRecord().annotations;
    const int plies = static_cast<int>(history.size());
    // Moves as the list numbers them: White's and Black's first moves are move 1.
    m_movesCount->setText(QString::number((plies + 1) / 2));
    m_noMoves->setVisible(plies == 0);
    if (plies == 0 && !m_moves) {
        return;
    }
    moveTable().setVisible(plies > 0);
    const int rows = (plies + 1) / 2;
    m_moves->setRowCount(rows);
    // Only cells whose text changed are touched, so a long game costs little per move.
    for (int ply = 0; ply < rows * 2; ++ply) {
        const int row = ply / 2;
        const int column = ply % 2;
        QString text;
        QString comment;
        if (ply < plies) {
            const auto index = static_cast<std::size_t>(ply);
            text = QString::fromStdString(history[index].san);
            // A loaded game's glyphs follow the move and its comment stands under it.
            if (index < annotations.size()) {
                for (const int nag : annotations[index].nags) {
                    const std::string symbol = pgn::nagSymbol(nag);
                    if (symbol.front() != '!' && symbol.front() != '?') {
                        text += QLatin1Char(' ');
                    }
                    text += QString::fromStdString(symbol);
                }
                comment = QString::fromStdString(annotations[index].comment);
            }
        }
        if (!comment.isEmpty()) {
            text += QLatin1Char('\n') + comment;
        }
        QTableWidgetItem* item = m_moves->item(row, column);
        if (!item) {
            item = new QTableWidgetItem;
            m_moves->setItem(row, column, item);
        }
        if (item->text() != text) {
            const bool hadComment = item->text().contains(QLatin1Char('\n'));
            item->setText(text);
            item->setToolTip(comment);
            if (!comment.isEmpty() || hadComment) {
                m_moves->resizeRowToContents(row);
            }
        }
        if (column == 0 && !m_moves->verticalHeaderItem(row)) {
            m_moves->setVerticalHeaderItem(
                row, new QTableWidgetItem(QString::number(row + 1) + QLatin1Char('.')));
        }
    }
    refreshHighlight();
    if (!m_games.inspectingMoveIndex()) {
        m_moves->scrollToBottom();
    }
}

void GameStateTab::refreshHighlight() {
    if (!m_moves) {
        return;
    }
    const int plies = static_cast<int>(m_games.board().history().size());
    const int current = m_games.inspectingMoveIndex()
                            ? static_cast<int>(*m_games.inspectingMoveIndex())
                            : plies - 1;
    const QPalette palette = m_moves->palette();
    for (int ply = 0; ply < plies; ++ply) {
        QTableWidgetItem* item = m_moves->item(ply / 2, ply % 2);
        if (!item) {
            continue;
        }
        const bool highlighted = ply == current;
        QFont font = item->font();
        if (font.bold() != highlighted) {
            font.setBold(highlighted);
            item->setFont(font);
        }
        item->setBackground(highlighted ? palette.highlight() : QBrush());
        item->setForeground(highlighted ? palette.highlightedText() : palette.text());
        if (highlighted && m_games.inspectingMoveIndex()) {
            // Stepping through a long game keeps the shown move in sight.
            m_moves->scrollToItem(item);
        }
    }
}

} // namespace velkor::panel

#include "GameNavigationBar.h"

#include "DrawnGlyph.h"
#include "LocalizedText.h"
#include "game/GameManager.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPolygonF>
#include <QPushButton>
#include <QToolButton>

namespace velkor {
namespace {

enum Glyph { toStart, stepBack, stepForward, toEnd };

// Triangles and bars.
QIcon stepIcon(int glyph) {
    return drawnGlyphIcon({16, 24, 32}, [glyph](QPainter& painter, double unit, int size) {
        // Drawn pointing right, mirrored for the backward glyphs.
        if (glyph == toStart || glyph == stepBack) {
            painter.translate(size, 0);
            painter.scale(-1, 1);
        }
        const bool jump = glyph == toStart || glyph == toEnd;
        const double tip = jump ? 11 * unit : 12 * unit;
        const double base = jump ? 4 * unit : 5 * unit;
        painter.drawPolygon(
            QPolygonF({QPointF(base, 3 * unit), QPointF(tip, 8 * unit), QPointF(base, 13 * unit)}));
        if (jump) {
            painter.drawRect(QRectF(11 * unit, 3 * unit, 2 * unit, 10 * unit));
        }
    });
}

} // namespace

QString numberedMove(const ChessBoard& board, std::int64_t index) {
    // Counted from the game's first position, which a FEN may give with Black to move and any
    // move number.
    const ChessBoard start(board.initialFEN());
    const std::int64_t ply = index + (start.turn() == PieceColor::black ? 1 : 0);
    return numberedSan(
        start.fullmoveNumber() + ply / 2, ply % 2 == 0 ? PieceColor::white : PieceColor::black,
        QString::fromStdString(board.history()[static_cast<std::size_t>(index)].san));
}

GameNavigationBar::GameNavigationBar(GameManager& game, LocalizationManager& localization,
                                     QWidget* parent)
    : QWidget(parent), m_game(game), m_localization(localization) {
    setObjectName(QStringLiteral("gameNavigation"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_start = addStepButton(QStringLiteral("navigateStart"), toStart, "nav_first_position");
    m_back = addStepButton(QStringLiteral("navigateBack"), stepBack, "nav_previous_move");
    m_forward = addStepButton(QStringLiteral("navigateForward"), stepForward, "nav_next_move");
    m_end = addStepButton(QStringLiteral("navigateEnd"), toEnd, "nav_last_position");
    using Step = GameManager::NavigationStep;
    connect(m_start, &QToolButton::clicked, this, [this] { m_game.navigate(Step::start); });
    connect(m_back, &QToolButton::clicked, this, [this] { m_game.navigate(Step::back); });
    connect(m_forward, &QToolButton::clicked, this, [this] { m_game.navigate(Step::forward); });
    connect(m_end, &QToolButton::clicked, this, [this] { m_game.navigate(Step::end); });

    m_shown = new QLabel(this);
    m_shown->setObjectName(QStringLiteral("shownMove"));
    m_shown->setMinimumWidth(90);
    layout->addWidget(m_shown, 1);

    m_backToGame = new QPushButton(this);
    m_backToGame->setObjectName(QStringLiteral("backToGameButton"));
    bindLocalizedText(m_backToGame, localization, QStringLiteral("nav_back_to_game"),
                      [this](const QString& text) { m_backToGame->setText(text); });
    // Stands out, since an earlier position can be mistaken for the game.
    m_backToGame->setDefault(true);
    connect(m_backToGame, &QPushButton::clicked, this, [this] { m_game.navigate(Step::end); });
    layout->addWidget(m_backToGame);
    // The bar keeps its height when the button comes and goes.
    QSizePolicy keepSpace = m_backToGame->sizePolicy();
    keepSpace.setRetainSizeWhenHidden(true);
    m_backToGame->setSizePolicy(keepSpace);

    connect(&game, &GameManager::boardChanged, this, &GameNavigationBar::refresh);
    connect(&game, &GameManager::inspectingMoveIndexChanged, this, &GameNavigationBar::refresh);
    refresh();
}

QToolButton* GameNavigationBar::addStepButton(const QString& objectName, int glyph,
                                              const char* key) {
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setIcon(stepIcon(glyph));
    button->setAutoRaise(true);
    // The board keeps the keyboard focus for the arrow keys.
    button->setFocusPolicy(Qt::NoFocus);
    bindLocalizedText(button, m_localization, QLatin1String(key),
                      [button](const QString& text) { button->setToolTip(text); });
    layout()->addWidget(button);
    return button;
}

void GameNavigationBar::refresh() {
    const auto& history = m_game.board().history();
    const auto last = static_cast<std::int64_t>(history.size()) - 1;
    const std::int64_t shown = m_game.displayedMoveIndex();
    m_start->setEnabled(shown >= 0);
    m_back->setEnabled(shown >= 0);
    m_forward->setEnabled(shown < last);
    m_end->setEnabled(shown < last);
    m_shown->setText(shown >= 0 ? numberedMove(m_game.board(), shown) : QString());
    m_backToGame->setVisible(m_game.isInspectingPast());
}

} // namespace velkor

#include "BottomBar.h"

#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/ConfirmAction.h"
#include "views/DrawnGlyph.h"
#include "views/LocalizedText.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPolygonF>
#include <QToolButton>
#include <array>

namespace velkor::panel {
namespace {

const QIcon& mediaIcon(bool play) {
    // Two bars or a triangle.
    static const std::array<QIcon, 2> icons = [] {
        std::array<QIcon, 2> result;
        for (const bool isPlay : {false, true}) {
            result[isPlay ? 1 : 0] =
                drawnGlyphIcon({16, 24, 32, 48}, [isPlay](QPainter& painter, double unit, int) {
                    if (isPlay) {
                        painter.drawPolygon(
                            QPolygonF({QPointF(4.5 * unit, 3 * unit), QPointF(13 * unit, 8 * unit),
                                       QPointF(4.5 * unit, 13 * unit)}));
                    } else {
                        painter.drawRect(QRectF(4 * unit, 3 * unit, 3 * unit, 10 * unit));
                        painter.drawRect(QRectF(9 * unit, 3 * unit, 3 * unit, 10 * unit));
                    }
                });
        }
        return result;
    }();
    return icons[play ? 1 : 0];
}

} // namespace

BottomBar::BottomBar(GameManager& games, LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games), m_localization(localization) {
    setObjectName(QStringLiteral("bottomBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    QToolButton* newGame = addButton(QStringLiteral("newGameButton"), QStringLiteral("+"));
    bindLocalizedText(newGame, localization, QStringLiteral("btn_new_game"),
                      [newGame](const QString& text) { newGame->setToolTip(text); });
    connect(newGame, &QToolButton::clicked, &games, &GameManager::startNewGame);

    QToolButton* flip = addButton(QStringLiteral("flipBoardButton"), QStringLiteral("⇅"));
    bindLocalizedText(flip, localization, QStringLiteral("btn_flip_board"),
                      [flip](const QString& text) { flip->setToolTip(text); });
    connect(flip, &QToolButton::clicked, &games, &GameManager::flipBoard);

    m_undo = addButton(QStringLiteral("undoButton"), QStringLiteral("↶"));
    bindLocalizedText(m_undo, localization, QStringLiteral("btn_undo"),
                      [this](const QString& text) { m_undo->setToolTip(text); });
    connect(m_undo, &QToolButton::clicked, &games, &GameManager::undoMove);

    m_pause = addButton(QStringLiteral("pauseButton"), QString());
    connect(m_pause, &QToolButton::clicked, &games, &GameManager::togglePause);

    m_resign = addButton(QStringLiteral("resignButton"), QStringLiteral("⚑"));
    bindLocalizedText(m_resign, localization, QStringLiteral("btn_resign"),
                      [this](const QString& text) { m_resign->setToolTip(text); });
    // A stray click must not end the game: resigning asks first.
    connect(m_resign, &QToolButton::clicked, this,
            [this, &localization] { confirmResign(window(), m_games, localization); });

    m_claimDraw = addButton(QStringLiteral("claimDrawButton"), QStringLiteral("½"));
    bindLocalizedText(m_claimDraw, localization, QStringLiteral("btn_claim_draw"),
                      [this](const QString& text) { m_claimDraw->setToolTip(text); });
    connect(m_claimDraw, &QToolButton::clicked, &games, &GameManager::claimDraw);

    connect(&games, &GameManager::boardChanged, this, &BottomBar::refresh);
    connect(&games, &GameManager::isPausedChanged, this, &BottomBar::refresh);
    connect(&games, &GameManager::isGameOverChanged, this, &BottomBar::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this, &BottomBar::refresh);
    refresh();
}

QToolButton* BottomBar::addButton(const QString& objectName, const QString& glyph) {
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setText(glyph);
    button->setMinimumSize(40, 32);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont font = button->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    button->setFont(font);
    layout()->addWidget(button);
    return button;
}

void BottomBar::refresh() {
    const bool paused = m_games.isPaused();
    m_pause->setIcon(mediaIcon(paused));
    m_pause->setToolTip(
        m_localization.text(paused ? QStringLiteral("btn_resume") : QStringLiteral("btn_pause")));
    const bool over = m_games.isGameOver();
    m_resign->setEnabled(!over);
    m_undo->setEnabled(!m_games.board().history().empty());
    m_claimDraw->setEnabled(!over && m_games.board().claimableDrawReason().has_value());
}

} // namespace velkor::panel

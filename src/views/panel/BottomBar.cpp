#include "BottomBar.h"

#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "views/LocalizedText.h"

#include <QHBoxLayout>
#include <QStyle>
#include <QToolButton>

namespace velkor::panel {

BottomBar::BottomBar(GameManager& games, LocalizationManager& localization, QWidget* parent)
    : QWidget(parent), m_games(games) {
    setObjectName(QStringLiteral("bottomBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);

    QToolButton* newGame = addButton(QStringLiteral("newGameButton"), QStringLiteral("+"));
    bindLocalizedText(newGame, localization, QStringLiteral("btn_new_game"),
                      [newGame](const QString& text) { newGame->setToolTip(text); });
    connect(newGame, &QToolButton::clicked, &games, &GameManager::startNewGame);

    QToolButton* flip = addButton(QStringLiteral("flipBoardButton"), QStringLiteral("⇅"));
    flip->setToolTip(QStringLiteral("Flip Board"));
    connect(flip, &QToolButton::clicked, &games, &GameManager::flipBoard);

    m_undo = addButton(QStringLiteral("undoButton"), QStringLiteral("↶"));
    m_undo->setToolTip(QStringLiteral("Undo Move"));
    connect(m_undo, &QToolButton::clicked, &games, &GameManager::undoMove);

    m_pause = addButton(QStringLiteral("pauseButton"), QString());
    connect(m_pause, &QToolButton::clicked, &games, &GameManager::togglePause);

    m_resign = addButton(QStringLiteral("resignButton"), QStringLiteral("⚑"));
    bindLocalizedText(m_resign, localization, QStringLiteral("btn_resign"),
                      [this](const QString& text) { m_resign->setToolTip(text); });
    connect(m_resign, &QToolButton::clicked, this,
            [this] { m_games.resign(m_games.board().turn()); });

    m_claimDraw = addButton(QStringLiteral("claimDrawButton"), QStringLiteral("½"));
    m_claimDraw->setToolTip(QStringLiteral("Claim draw"));
    connect(m_claimDraw, &QToolButton::clicked, &games, &GameManager::claimDraw);

    connect(&games, &GameManager::boardChanged, this, &BottomBar::refresh);
    connect(&games, &GameManager::isPausedChanged, this, &BottomBar::refresh);
    connect(&games, &GameManager::isGameOverChanged, this, &BottomBar::refresh);
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
    m_pause->setIcon(style()->standardIcon(paused ? QStyle::SP_MediaPlay : QStyle::SP_MediaPause));
    m_pause->setToolTip(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    const bool over = m_games.isGameOver();
    m_resign->setEnabled(!over);
    m_undo->setEnabled(!m_games.board().history().empty());
    m_claimDraw->setEnabled(!over && m_games.board().claimableDrawReason().has_value());
}

} // namespace velkor::panel

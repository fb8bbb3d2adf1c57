#include "BottomBar.h"

#include "game/GameManager.h"
#include "views/DrawnGlyph.h"
#include "views/GameCommands.h"

#include <QAction>
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
    : QWidget(parent), m_commands(GameCommands::of(*window(), games, localization)) {
    setObjectName(QStringLiteral("bottomBar"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    addButton(m_commands.newGame, QStringLiteral("newGameButton"), QStringLiteral("+"));
    addButton(m_commands.flipBoard, QStringLiteral("flipBoardButton"), QStringLiteral("⇅"));
    addButton(m_commands.undo, QStringLiteral("undoButton"), QStringLiteral("↶"));
    QToolButton* pause = addButton(m_commands.pause, QStringLiteral("pauseButton"), QString());
    addButton(m_commands.resign, QStringLiteral("resignButton"), QStringLiteral("⚑"));
    addButton(m_commands.claimDraw, QStringLiteral("claimDrawButton"), QStringLiteral("½"));

    const auto showPause = [pause, &games] { pause->setIcon(mediaIcon(games.isPaused())); };
    connect(&games, &GameManager::isPausedChanged, pause, showPause);
    showPause();
}

QToolButton* BottomBar::addButton(QAction* command, const QString& objectName,
                                  const QString& glyph) {
    auto* button = new QToolButton(this);
    button->setObjectName(objectName);
    button->setText(glyph);
    button->setMinimumSize(40, 32);
    button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    QFont font = button->font();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    button->setFont(font);
    layout()->addWidget(button);
    // The button shows its glyph, not the command's text, so it follows the command by hand
    // rather than as the command's own button.
    connect(button, &QToolButton::clicked, command, &QAction::trigger);
    const auto follow = [button, command] {
        button->setEnabled(command->isEnabled());
        button->setToolTip(command->text());
    };
    connect(command, &QAction::changed, button, follow);
    follow();
    return button;
}

} // namespace velkor::panel

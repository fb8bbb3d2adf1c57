#include "GameCommands.h"

#include "ConfirmAction.h"
#include "LocalizedText.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"

#include <QAction>
#include <QWidget>

namespace velkor {
namespace {

QAction* command(QObject* owner, LocalizationManager& localization, const QString& key,
                 const QString& objectName) {
    auto* action = new QAction(owner);
    action->setObjectName(objectName);
    if (!key.isEmpty()) {
        bindLocalizedText(action, localization, key,
                          [action](const QString& text) { action->setText(text); });
    }
    return action;
}

} // namespace

GameCommands::GameCommands(QWidget& window, GameManager& game, LocalizationManager& localization)
    : QObject(&window), newGame(command(this, localization, QStringLiteral("btn_new_game"),
                                        QStringLiteral("newGameCommand"))),
      undo(command(this, localization, QStringLiteral("btn_undo"), QStringLiteral("undoCommand"))),
      flipBoard(command(this, localization, QStringLiteral("btn_flip_board"),
                        QStringLiteral("flipBoardCommand"))),
      pause(command(this, localization, {}, QStringLiteral("pauseCommand"))),
      resign(command(this, localization, QStringLiteral("btn_resign"),
                     QStringLiteral("resignCommand"))),
      claimDraw(command(this, localization, QStringLiteral("btn_claim_draw"),
                        QStringLiteral("claimDrawCommand"))),
      m_game(game), m_localization(localization) {
    connect(newGame, &QAction::triggered, &game, &GameManager::startNewGame);
    connect(undo, &QAction::triggered, &game, &GameManager::undoMove);
    connect(flipBoard, &QAction::triggered, &game, &GameManager::flipBoard);
    connect(pause, &QAction::triggered, &game, &GameManager::togglePause);
    connect(resign, &QAction::triggered, this,
            [&window, &game, &localization] { confirmResign(&window, game, localization); });
    connect(claimDraw, &QAction::triggered, &game, &GameManager::claimDraw);

    connect(&game, &GameManager::boardChanged, this, &GameCommands::refresh);
    connect(&game, &GameManager::isPausedChanged, this, &GameCommands::refresh);
    connect(&game, &GameManager::isGameOverChanged, this, &GameCommands::refresh);
    connect(&localization, &LocalizationManager::currentLanguageChanged, this,
            &GameCommands::refresh);
    refresh();
}

GameCommands& GameCommands::of(QWidget& window, GameManager& game,
                               LocalizationManager& localization) {
    if (auto* commands = window.findChild<GameCommands*>(QString(), Qt::FindDirectChildrenOnly)) {
        return *commands;
    }
    return *new GameCommands(window, game, localization);
}

void GameCommands::refresh() {
    pause->setText(m_localization.text(m_game.isPaused() ? QStringLiteral("btn_resume")
                                                         : QStringLiteral("btn_pause")));
    const bool over = m_game.isGameOver();
    undo->setEnabled(!m_game.board().history().empty());
    resign->setEnabled(!over);
    claimDraw->setEnabled(!over && m_game.board().claimableDrawReason().has_value());
}

} // namespace velkor

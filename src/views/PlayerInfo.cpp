#include "PlayerInfo.h"

#include "game/GameManager.h"

namespace velkor {

PlayerInfo playerInfo(const GameManager& game, PieceColor color) {
    const ShownGame& shown = game.shownGame();
    const ShownPlayer& player = shown.player(color);
    // Engines, and every player of a game read or brought back, by the game's own names.
    if (shown.origin != ShownGame::Origin::live || player.isEngine) {
        return {player.displayName(), player.isEngine};
    }
    // The people of the game in play, by its mode (not the mode set for the next game).
    switch (game.playingMode()) {
    case GameMode::humanVsEngine:
    case GameMode::engineVsEngine:
        return {QStringLiteral("Player"), false};
    case GameMode::humanVsHuman:
        return {color == PieceColor::white ? QStringLiteral("Player 1")
                                           : QStringLiteral("Player 2"),
                false};
    }
    return {};
}

} // namespace velkor

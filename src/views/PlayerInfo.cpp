#include "PlayerInfo.h"

#include "game/GameManager.h"
#include "localization/LocalizationManager.h"

namespace velkor {

PlayerInfo playerInfo(const GameManager& game, PieceColor color,
                      const LocalizationManager& localization) {
    const auto text = [&localization](const char* key) {
        return localization.text(QLatin1String(key));
    };
    const ShownGame& shown = game.shownGame();
    const ShownPlayer& player = shown.player(color);
    // Every player of a game read or brought back, by the game's own names.
    if (shown.origin != ShownGame::Origin::live) {
        return {player.displayName(), player.isEngine};
    }
    if (player.isEngine) {
        if (game.engineSeat(color).process()) {
            return {player.displayName(), true};
        }
        // No engine runs yet: a stand-in name in the interface language.
        if (game.playingMode() == GameMode::humanVsEngine) {
            return {text("selected_engine"), true};
        }
        return {text(color == PieceColor::white ? "white_engine" : "black_engine"), true};
    }
    // The people of the game in play, by its mode (not the mode set for the next game).
    switch (game.playingMode()) {
    case GameMode::humanVsEngine:
    case GameMode::engineVsEngine:
        return {text("player_you"), false};
    case GameMode::humanVsHuman:
        return {text(color == PieceColor::white ? "player_1" : "player_2"), false};
    }
    return {};
}

} // namespace velkor

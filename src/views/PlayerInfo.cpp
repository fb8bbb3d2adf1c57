#include "PlayerInfo.h"

#include "game/GameManager.h"
#include "localization/LocalizationManager.h"

namespace velkor {
namespace {

QString runningEngineName(const GameManager& game, PieceColor color, const QString& fallback) {
    const UCIEngineProcess* engine =
        color == PieceColor::white ? game.whiteEngineProcess() : game.blackEngineProcess();
    return engine ? engine->config().name : fallback;
}

} // namespace

PlayerInfo playerInfo(const GameManager& game, PieceColor color,
                      const LocalizationManager& localization) {
    const auto text = [&localization](const char* key) {
        return localization.text(QLatin1String(key));
    };
    switch (game.gameMode()) {
    case GameMode::humanVsEngine:
        if (color == game.humanColor()) {
            return {text("player_you"), false};
        }
        return {runningEngineName(game, color, text("selected_engine")), true};
    case GameMode::engineVsEngine:
        return {
            runningEngineName(game, color,
                              text(color == PieceColor::white ? "white_engine" : "black_engine")),
            true};
    case GameMode::humanVsHuman:
        return {text(color == PieceColor::white ? "player_1" : "player_2"), false};
    }
    return {};
}

} // namespace velkor

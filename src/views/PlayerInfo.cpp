#include "PlayerInfo.h"

#include "game/GameManager.h"

namespace velkor {
namespace {

QString runningEngineName(const GameManager& game, PieceColor color, const QString& fallback) {
    const UCIEngineProcess* engine =
        color == PieceColor::white ? game.whiteEngineProcess() : game.blackEngineProcess();
    return engine ? engine->config().name : fallback;
}

} // namespace

PlayerInfo playerInfo(const GameManager& game, PieceColor color) {
    // A game read from a file names its own players, whoever the mode would seat.
    if (const std::optional<QString> named =
            game.gameTag(color == PieceColor::white ? "White" : "Black");
        named && !named->trimmed().isEmpty() && *named != QLatin1String("?")) {
        return {*named, false};
    }
    switch (game.gameMode()) {
    case GameMode::humanVsEngine:
        if (color == game.humanColor()) {
            return {QStringLiteral("Player"), false};
        }
        return {runningEngineName(game, color, QStringLiteral("UCI Engine")), true};
    case GameMode::engineVsEngine:
        return {runningEngineName(game, color,
                                  color == PieceColor::white ? QStringLiteral("White Engine")
                                                             : QStringLiteral("Black Engine")),
                true};
    case GameMode::humanVsHuman:
        return {color == PieceColor::white ? QStringLiteral("Player 1")
                                           : QStringLiteral("Player 2"),
                false};
    }
    return {};
}

} // namespace velkor

#include "GameMode.h"

namespace velkor {

QString id(GameMode mode) {
    switch (mode) {
    case GameMode::humanVsEngine:
        return QStringLiteral("human_vs_engine");
    case GameMode::engineVsEngine:
        return QStringLiteral("engine_vs_engine");
    case GameMode::humanVsHuman:
        return QStringLiteral("human_vs_human");
    }
    return {};
}

QString locKey(GameMode mode) {
    return QStringLiteral("mode_") + id(mode);
}

std::optional<GameMode> gameModeFromId(const QString& text) {
    for (const GameMode mode : allGameModes) {
        if (text == id(mode)) {
            return mode;
        }
    }
    return std::nullopt;
}

} // namespace velkor

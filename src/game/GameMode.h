#pragma once

#include <QString>
#include <array>
#include <optional>

namespace velkor {

// Who plays, in the order of the mode picker.
enum class GameMode : unsigned char { humanVsEngine, engineVsEngine, humanVsHuman };

inline constexpr std::array<GameMode, 3> allGameModes{
    GameMode::humanVsEngine, GameMode::engineVsEngine, GameMode::humanVsHuman};

// "human_vs_engine", "engine_vs_engine", "human_vs_human" (also the raw value).
QString id(GameMode mode);

// The label key: "mode_" followed by the id.
QString locKey(GameMode mode);

// Accepts exactly the three ids.
std::optional<GameMode> gameModeFromId(const QString& id);

} // namespace velkor

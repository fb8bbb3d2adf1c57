#pragma once

#include "chess/PieceColor.h"

#include <QString>
#include <array>
#include <optional>

namespace velkor {

// The user's colour wish against an engine.
enum class PlayerColorChoice : unsigned char { white, black, random };

inline constexpr std::array<PlayerColorChoice, 3> allPlayerColorChoices{
    PlayerColorChoice::white, PlayerColorChoice::black, PlayerColorChoice::random};

// "white", "black", "random" (also the raw value).
QString id(PlayerColorChoice choice);

// The label key: "color_" followed by the id.
QString locKey(PlayerColorChoice choice);

// Accepts exactly the three ids.
std::optional<PlayerColorChoice> playerColorChoiceFromId(const QString& id);

// White and Black give themselves; random draws one fair bit from the system random source.
PieceColor resolve(PlayerColorChoice choice);

} // namespace velkor

#pragma once

#include "chess/PieceColor.h"

#include <QString>

namespace velkor {

class GameManager;

// Who plays a colour, as the banners show it.
struct PlayerInfo {
    QString name;
    bool isEngine = false;

    bool operator==(const PlayerInfo&) const = default;
};

// The player of `color` in the current game: the name a loaded game's tags give, else the user
// ("Player"), two people ("Player 1" and "Player 2"), or an engine by its configuration's name,
// with a stand-in name while none runs.
PlayerInfo playerInfo(const GameManager& game, PieceColor color);

} // namespace velkor

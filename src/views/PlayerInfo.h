#pragma once

#include "chess/PieceColor.h"

#include <QString>

namespace velkor {

class GameManager;
class LocalizationManager;

// Who plays a colour, as the banners show it.
struct PlayerInfo {
    QString name;
    bool isEngine = false;

    bool operator==(const PlayerInfo&) const = default;
};

// The player of `color` in the game on the board: the user ("Player"), two people ("Player 1"
// and "Player 2"), or an engine by its name with the Elo limit it plays at ("Stockfish (1400)"),
// with a stand-in name while none runs; a game read or brought back names its players as it
// recorded them. The user's and the stand-in names are in the interface language.
PlayerInfo playerInfo(const GameManager& game, PieceColor color,
                      const LocalizationManager& localization);

} // namespace velkor

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

// The player of `color` in the current game: the user ("Player"), two people ("Player 1" and
// "Player 2"), or an engine by its configuration's name, with a stand-in name while none runs;
// the stand-ins in the interface language.
PlayerInfo playerInfo(const GameManager& game, PieceColor color,
                      const LocalizationManager& localization);

} // namespace velkor

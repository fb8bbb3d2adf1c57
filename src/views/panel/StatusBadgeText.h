#pragma once

#include "chess/GameEndReason.h"

#include <QString>

namespace velkor {
class GameManager;
class LocalizationManager;
} // namespace velkor

namespace velkor::panel {

// What the header's status badge shows: the end of the game outranks a check, a check outranks
// the pause, and otherwise the side to move.
struct StatusBadgeContent {
    enum class Icon { none, checkeredFlag, warning, pause };
    Icon icon = Icon::none;
    QString text;

    bool operator==(const StatusBadgeContent&) const = default;
};

// The text of a finished game's end, in the current language; the fivefold repetition and the
// 75-move rule have fixed German texts.
QString gameEndText(const GameEndReason& reason, const LocalizationManager& localization);

StatusBadgeContent statusBadgeContent(const GameManager& games,
                                      const LocalizationManager& localization);

} // namespace velkor::panel

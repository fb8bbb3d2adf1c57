#pragma once

#include "chess/GameEndReason.h"
#include "chess/PieceColor.h"

#include <QString>
#include <optional>

namespace velkor::automatch {

// How one ended game counts in a series: its result, the fixed German reason text and the
// winning colour (none for a draw).
struct GameOutcome {
    QString result;
    QString reasonText;
    std::optional<PieceColor> winner;

    bool operator==(const GameOutcome&) const = default;
};

// Classifies a game end. The engine failure is named only for a resignation (the game manager
// ends a game whose engine failed as that colour's resignation); otherwise it is ignored.
GameOutcome classifyGameEnd(const GameEndReason& reason,
                            const std::optional<QString>& engineFailure);

// A stored record's reason text read back: the records keep the fixed German text, and the
// interface words it in its own language. `engineFailure` is the failure named by a resignation
// after an engine failed. None for a text that is no reason text (a record edited by hand).
struct StoredGameEnd {
    GameEndReason reason;
    std::optional<QString> engineFailure;

    bool operator==(const StoredGameEnd&) const = default;
};
std::optional<StoredGameEnd> readReasonText(const QString& reasonText);

// Reads a recorded result and reason text back as the end that produced them; none when the
// text is not one this table writes (so no reason is invented for it).
std::optional<GameEndReason> recordedGameEnd(const QString& result, const QString& reasonText);

} // namespace velkor::automatch

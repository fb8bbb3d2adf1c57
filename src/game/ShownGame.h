#pragma once

#include "chess/GameEndReason.h"
#include "chess/PieceColor.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

namespace velkor {

// Who played one colour of the game on the board, as every view names them.
struct ShownPlayer {
    QString name;
    bool isEngine = false;
    // The Elo limit the engine played with; none at full strength and for a person.
    std::optional<std::int64_t> elo;

    // The name with the strength beside it when the engine was limited: "Stockfish (1400)".
    QString displayName() const;

    bool operator==(const ShownPlayer&) const = default;
};

// The game the board shows, told as one context so that no view mixes in another game: the live
// game, a game read from PGN, or a stored game brought back for viewing.
struct ShownGame {
    enum class Origin : unsigned char { live, loaded, stored };

    Origin origin = Origin::live;
    ShownPlayer white;
    ShownPlayer black;
    // The PGN result token ("1-0", "0-1", "1/2-1/2", "*").
    QString result = QStringLiteral("*");
    // A stored game's own words for how it ended.
    std::optional<QString> reasonText;
    // A stored game's own PGN text, exported as it is; empty for the other origins.
    QString pgn;

    const ShownPlayer& player(PieceColor color) const {
        return color == PieceColor::white ? white : black;
    }

    bool operator==(const ShownGame&) const = default;
};

// A finished game as a series of games stored it, to be shown on the board.
struct StoredGame {
    // The moves in coordinate notation (e2e4, e7e8q); unreadable or illegal ones are skipped.
    QStringList movesUCI;
    // The start position; the standard one when absent or unreadable.
    std::optional<QString> initialFEN;
    ShownPlayer white;
    ShownPlayer black;
    QString result = QStringLiteral("*");
    // How it ended, when the stored words say so; otherwise the board's own end, if any.
    std::optional<GameEndReason> endReason;
    std::optional<QString> reasonText;
    // The clocks when the game ended; none when it was played without a clock or they were not
    // kept.
    std::optional<std::int64_t> whiteRemainingMs;
    std::optional<std::int64_t> blackRemainingMs;
    QString pgn;
};

} // namespace velkor

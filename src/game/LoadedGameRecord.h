#pragma once

#include "chess/PGNAnnotation.h"

#include <QString>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velkor {

// The record of a game read from PGN, kept until another game replaces it (a new game, a FEN, a
// stored game); empty for a game begun here.
struct LoadedGameRecord {
    // The tags in the file's order.
    std::vector<std::pair<std::string, std::string>> tags;
    // The comment before the first move.
    std::string comment;
    // The glyphs and comments by history index (shorter than the history when moves were played
    // after the load).
    std::vector<MoveAnnotation> annotations;

    // The value of one of the tags, when the game has it.
    std::optional<QString> tag(std::string_view name) const;

    bool operator==(const LoadedGameRecord&) const = default;
};

// What a PGN load set aside, for the person to be told once.
struct PGNLoadNotes {
    // Side lines in parentheses that were left out; the main line was loaded.
    std::size_t variationsSetAside = 0;
};

} // namespace velkor

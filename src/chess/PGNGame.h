#pragma once

#include "MoveRecord.h"
#include "PGNAnnotation.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace velkor {

// One game ready to be written as PGN: the seven roster tags, the time control, the starting
// position when it is not the standard one, the moves whose SAN becomes the movetext, and what a
// game read from a file brought along (its other tags, comments and glyphs).
struct PGNGame {
    std::string event;
    std::string site;
    std::string date;
    std::string round;
    std::string white;
    std::string black;
    // "1-0", "0-1", "1/2-1/2" or "*".
    std::string result;
    std::string timeControl;
    std::optional<std::string> initialFEN;
    std::vector<MoveRecord> moves;
    // Tags beyond the ones above, written after them in this order (Result, SetUp and FEN among
    // them are left out: those follow from the fields above).
    std::vector<std::pair<std::string, std::string>> otherTags{};
    // The comment before the first move.
    std::string gameComment{};
    // Glyphs and comment of the move with the same index; may be shorter than `moves`.
    std::vector<MoveAnnotation> annotations{};

    // Today's local date as PGN writes it: yyyy.MM.dd.
    static std::string currentDateString();

    // The complete PGN text: tags in fixed order (SetUp/FEN only for a non-standard start), the
    // other tags, an empty line, then the movetext with glyphs as $n and comments in braces,
    // wrapped at 80 columns without breaking a move or a word. A double quote or backslash in a
    // tag value is escaped and a line break becomes a blank, so the value reads back the same.
    std::string exportPGN() const;
};

} // namespace velkor

#pragma once

#include "MoveRecord.h"

#include <optional>
#include <string>
#include <vector>

namespace velkor {

// One game ready to be written as PGN: the seven roster tags, the time control, the starting
// position when it is not the standard one, and the moves whose SAN becomes the movetext.
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

    // Today's local date as PGN writes it: yyyy.MM.dd.
    static std::string currentDateString();

    // The complete PGN text: tags in fixed order (SetUp/FEN only for a non-standard start),
    // an empty line, then the movetext wrapped at 80 columns without breaking tokens. Tag values
    // are written as they are.
    std::string exportPGN() const;
};

} // namespace velkor

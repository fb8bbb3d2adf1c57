#pragma once

#include "MatchConfig.h"

#include <string>

namespace velkor::automatch {

// The fastchess command line that plays the same match (engines, limits, options, openings,
// pairing, adjudication, SPRT, output), for running it where fastchess runs: on a testing
// framework's workers. Values with blanks or shell characters are quoted for a POSIX shell.
std::string fastchessCommand(const MatchConfig& config);

} // namespace velkor::automatch

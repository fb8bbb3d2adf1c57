#pragma once

#include "localization/Language.h"

#include <QIcon>

namespace velkor::panel {

// Flags drawn by hand: the emoji flags of the language table need a colour emoji font, which a
// plain Linux desktop often lacks, and would show as two letters in boxes.
QIcon flagIcon(Language language);

// The chequered flag of a finished game or series.
QIcon checkeredFlagIcon();

} // namespace velkor::panel

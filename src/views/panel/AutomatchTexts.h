#pragma once

#include "automatch/AutomatchManager.h"
#include "automatch/SeriesScore.h"

#include <QString>

namespace velkor {
class LocalizationManager;
}

namespace velkor::panel {

// The automatch manager keeps its texts in the fixed form its records and exports use; these
// word them in the interface language.

// A record's reason ("Schachmatt (Weiß gewinnt)" in the record); a text that is no reason text
// (a record edited by hand) is shown as it stands.
QString recordReasonText(const QString& storedReason, const LocalizationManager& localization);

// How the last series ended: stopped, or the summary with its winner and score.
QString seriesEndText(const automatch::SeriesEnd& end, const LocalizationManager& localization);

// Why a start was refused.
QString configurationErrorText(const QString& error, const LocalizationManager& localization);

} // namespace velkor::panel

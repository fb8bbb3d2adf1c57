#pragma once

#include "AutomatchGameRecord.h"

#include <QList>
#include <QString>

namespace velkor::automatch {

// The PGN texts of the records, in order, with exactly one empty line between games and no line
// feed after the last; empty for no records.
QString exportAllPGN(const QList<AutomatchGameRecord>& records);

// The header "game,white,black,result,reason,plies,opening_fen,timestamp" and one line per
// record, joined with "\n" and no line end after the last. Names, reason and FEN are quoted; a
// record without an initial FEN shows the standard start position; timestamps are ISO 8601 UTC.
QString exportCSV(const QList<AutomatchGameRecord>& records);

// The records as a pretty-printed JSON array, keys sorted, timestamps as ISO 8601 UTC text.
QString exportJSON(const QList<AutomatchGameRecord>& records);

// RFC 4180 quoting: the text in double quotes with every double quote in it doubled; commas and
// line breaks stay as they are.
QString csvQuoted(const QString& text);

} // namespace velkor::automatch

#pragma once

#include "AutomatchGameRecord.h"

#include <QList>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace velkor::automatch {

// Hands each record in history order to the visitor until it returns false; false when the
// records could not be read. The exports read a history of any length through it one record at a
// time instead of holding all of it.
using RecordVisitor = std::function<bool(const AutomatchGameRecord&)>;
using RecordSource = std::function<bool(const RecordVisitor&)>;
// Receives the export's text piece by piece, in order.
using TextSink = std::function<void(const QString&)>;

// The game's PGN as it leaves the program: the stored text with the round set to the game's
// number in its series and, for a colour that played with an Elo limit, that limit as WhiteElo /
// BlackElo, the tags other chess programs read as a player's strength.
QString seriesGamePGN(const AutomatchGameRecord& record);

// The PGN texts of the records (as seriesGamePGN gives them), in order, with exactly one empty
// line between games and no line feed after the last; empty for no records.
bool writeAllPGN(const RecordSource& records, const TextSink& sink);
QString exportAllPGN(const QList<AutomatchGameRecord>& records);

// The header "game,white,black,result,reason,plies,opening_fen,timestamp" and one line per
// record, joined with "\n" and no line end after the last. Names, reason and FEN are quoted; a
// record without an initial FEN shows the standard start position; timestamps are ISO 8601 UTC.
bool writeCSV(const RecordSource& records, const TextSink& sink);
QString exportCSV(const QList<AutomatchGameRecord>& records);

// The records as a pretty-printed JSON array, keys sorted, timestamps as ISO 8601 UTC text.
bool writeJSON(const RecordSource& records, const TextSink& sink);
QString exportJSON(const QList<AutomatchGameRecord>& records);

// A source over records held in memory.
RecordSource recordsOf(const QList<AutomatchGameRecord>& records);

// RFC 4180 quoting: the text in double quotes with every double quote in it doubled; commas and
// line breaks stay as they are.
QString csvQuoted(const QString& text);

} // namespace velkor::automatch

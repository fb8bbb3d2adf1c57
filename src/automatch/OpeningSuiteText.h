#pragma once

#include <QString>
#include <QStringList>

namespace velkor::automatch {

// The opening suite as the panel edits it, one FEN per line: split at every line-break character
// (line feed, carriage return, vertical tab, form feed, next line, line and paragraph separator),
// each piece trimmed of spaces and tabs at both ends, empty pieces dropped.
QStringList openingFENsFromText(const QString& text);

// The suite as the panel shows it: the entries joined with a line feed.
QString openingSuiteText(const QStringList& fens);

} // namespace velkor::automatch

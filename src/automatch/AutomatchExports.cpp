#include "AutomatchExports.h"

#include "AutomatchTimestamps.h"
#include "chess/ChessBoard.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QStringList>

namespace velkor::automatch {

QString exportAllPGN(const QList<AutomatchGameRecord>& records) {
    QStringList games;
    games.reserve(records.size());
    for (const AutomatchGameRecord& record : records) {
        // Stored texts end in a line feed (or several); the separator alone makes the empty line.
        QString game = record.pgn;
        while (game.endsWith(u'\n')) {
            game.chop(1);
        }
        games.append(game);
    }
    return games.join(QStringLiteral("\n\n"));
}

QString csvQuoted(const QString& text) {
    QString escaped = text;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

QString exportCSV(const QList<AutomatchGameRecord>& records) {
    static const QString startFEN = QString::fromUtf8(standardStartingFEN);
    QStringList lines{QStringLiteral("game,white,black,result,reason,plies,opening_fen,timestamp")};
    lines.reserve(records.size() + 1);
    for (const AutomatchGameRecord& record : records) {
        const QStringList fields{QString::number(record.gameNumber),
                                 csvQuoted(record.whiteEngineName),
                                 csvQuoted(record.blackEngineName),
                                 record.result,
                                 csvQuoted(record.reason),
                                 QString::number(record.movesCount),
                                 csvQuoted(record.initialFEN.value_or(startFEN)),
                                 iso8601Text(record.timestamp)};
        lines.append(fields.join(u','));
    }
    return lines.join(u'\n');
}

QString exportJSON(const QList<AutomatchGameRecord>& records) {
    QJsonArray array;
    for (const AutomatchGameRecord& record : records) {
        array.append(record.toJson(AutomatchGameRecord::TimestampEncoding::iso8601));
    }
    // Qt keeps object keys sorted; the indented form ends with a line feed, which is dropped.
    QString text = QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    if (text.endsWith(u'\n')) {
        text.chop(1);
    }
    return text;
}

} // namespace velkor::automatch

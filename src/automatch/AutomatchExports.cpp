#include "AutomatchExports.h"

#include "AutomatchTimestamps.h"
#include "chess/ChessBoard.h"

#include <QJsonDocument>
#include <QStringList>

namespace velkor::automatch {

namespace {

// The texts of a whole export, gathered from its pieces.
QString collected(const std::function<bool(const TextSink&)>& write) {
    QString text;
    write([&text](const QString& piece) { text += piece; });
    return text;
}

QString tagLine(const QString& name, const QString& value) {
    QString escaped = value;
    escaped.replace(u'\\', QStringLiteral("\\\\"));
    escaped.replace(u'"', QStringLiteral("\\\""));
    return u'[' + name + QStringLiteral(" \"") + escaped + QStringLiteral("\"]");
}

// The tag section's lines "[Name "value"]" at the top of a game; where they end.
qsizetype tagSectionLength(const QStringList& lines) {
    qsizetype count = 0;
    while (count < lines.size() && lines[count].startsWith(u'[')) {
        ++count;
    }
    return count;
}

qsizetype findTag(const QStringList& lines, qsizetype tags, const QString& name) {
    const QString start = u'[' + name + u' ';
    for (qsizetype i = 0; i < tags; ++i) {
        if (lines[i].startsWith(start)) {
            return i;
        }
    }
    return -1;
}

// Sets a tag's value, or adds the tag after `after` (or at the end of the section).
void setTag(QStringList& lines, qsizetype& tags, const QString& name, const QString& value,
            const QString& after) {
    const QString line = tagLine(name, value);
    if (const qsizetype at = findTag(lines, tags, name); at >= 0) {
        lines[at] = line;
        return;
    }
    const qsizetype anchor = findTag(lines, tags, after);
    lines.insert(anchor >= 0 ? anchor + 1 : tags, line);
    ++tags;
}

} // namespace

QString seriesGamePGN(const AutomatchGameRecord& record) {
    QStringList lines = record.pgn.split(u'\n');
    qsizetype tags = tagSectionLength(lines);
    // A text without tags is left as it is: there is no section to add to.
    if (tags == 0) {
        return record.pgn;
    }
    setTag(lines, tags, QStringLiteral("Round"), QString::number(record.gameNumber),
           QStringLiteral("Date"));
    if (record.whiteEngineElo) {
        setTag(lines, tags, QStringLiteral("WhiteElo"), QString::number(*record.whiteEngineElo),
               QStringLiteral("Black"));
    }
    if (record.blackEngineElo) {
        setTag(lines, tags, QStringLiteral("BlackElo"), QString::number(*record.blackEngineElo),
               record.whiteEngineElo ? QStringLiteral("WhiteElo") : QStringLiteral("Black"));
    }
    return lines.join(u'\n');
}

RecordSource recordsOf(const QList<AutomatchGameRecord>& records) {
    return [&records](const RecordVisitor& visit) {
        for (const AutomatchGameRecord& record : records) {
            if (!visit(record)) {
                break;
            }
        }
        return true;
    };
}

bool writeAllPGN(const RecordSource& records, const TextSink& sink) {
    bool first = true;
    return records([&](const AutomatchGameRecord& record) {
        // Stored texts end in a line feed (or several); the separator alone makes the empty line.
        QString game = seriesGamePGN(record);
        while (game.endsWith(u'\n')) {
            game.chop(1);
        }
        sink(first ? game : QStringLiteral("\n\n") + game);
        first = false;
        return true;
    });
}

QString exportAllPGN(const QList<AutomatchGameRecord>& records) {
    return collected([&](const TextSink& sink) { return writeAllPGN(recordsOf(records), sink); });
}

QString csvQuoted(const QString& text) {
    QString escaped = text;
    escaped.replace(u'"', QStringLiteral("\"\""));
    return u'"' + escaped + u'"';
}

bool writeCSV(const RecordSource& records, const TextSink& sink) {
    static const QString startFEN = QString::fromUtf8(standardStartingFEN);
    sink(QStringLiteral("game,white,black,result,reason,plies,opening_fen,timestamp"));
    return records([&](const AutomatchGameRecord& record) {
        const QStringList fields{QString::number(record.gameNumber),
                                 csvQuoted(record.whiteEngineName),
                                 csvQuoted(record.blackEngineName),
                                 record.result,
                                 csvQuoted(record.reason),
                                 QString::number(record.movesCount),
                                 csvQuoted(record.initialFEN.value_or(startFEN)),
                                 iso8601Text(record.timestamp)};
        sink(u'\n' + fields.join(u','));
        return true;
    });
}

QString exportCSV(const QList<AutomatchGameRecord>& records) {
    return collected([&](const TextSink& sink) { return writeCSV(recordsOf(records), sink); });
}

bool writeJSON(const RecordSource& records, const TextSink& sink) {
    // Each record is one element of the array: Qt's indented form of the object (keys sorted),
    // moved in by one level, as the whole array would be written at once.
    bool first = true;
    const bool read = records([&](const AutomatchGameRecord& record) {
        QString object = QString::fromUtf8(
            QJsonDocument(record.toJson(AutomatchGameRecord::TimestampEncoding::iso8601))
                .toJson(QJsonDocument::Indented));
        if (object.endsWith(u'\n')) {
            object.chop(1);
        }
        object.replace(u'\n', QStringLiteral("\n    "));
        sink((first ? QStringLiteral("[\n    ") : QStringLiteral(",\n    ")) + object);
        first = false;
        return true;
    });
    sink(first ? QStringLiteral("[\n]") : QStringLiteral("\n]"));
    return read;
}

QString exportJSON(const QList<AutomatchGameRecord>& records) {
    return collected([&](const TextSink& sink) { return writeJSON(recordsOf(records), sink); });
}

} // namespace velkor::automatch

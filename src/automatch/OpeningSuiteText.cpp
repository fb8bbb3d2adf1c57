#include "OpeningSuiteText.h"

#include <QRegularExpression>

namespace velkor::automatch {

namespace {

bool isSpaceOrTab(QChar c) {
    return c == u' ' || c == u'\t';
}

QString trimmedOfSpacesAndTabs(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isSpaceOrTab(text[begin])) {
        ++begin;
    }
    while (end > begin && isSpaceOrTab(text[end - 1])) {
        --end;
    }
    return text.mid(begin, end - begin);
}

} // namespace

QStringList openingFENsFromText(const QString& text) {
    static const QRegularExpression lineBreak(
        QStringLiteral("[\\x{000A}-\\x{000D}\\x{0085}\\x{2028}\\x{2029}]"));
    QStringList fens;
    for (const QString& piece : text.split(lineBreak)) {
        const QString fen = trimmedOfSpacesAndTabs(piece);
        if (!fen.isEmpty()) {
            fens.append(fen);
        }
    }
    return fens;
}

QString openingSuiteText(const QStringList& fens) {
    return fens.join(u'\n');
}

} // namespace velkor::automatch

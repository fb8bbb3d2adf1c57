#include "VersionOrder.h"

#include <QList>
#include <QStringView>
#include <algorithm>
#include <cstdint>

namespace velkor {
namespace {

bool isTrimmed(QChar c) {
    return c == u'v' || c == u'V' || c == u' ';
}

QStringView trimmed(QStringView text) {
    while (!text.isEmpty() && isTrimmed(text.front())) {
        text = text.sliced(1);
    }
    while (!text.isEmpty() && isTrimmed(text.back())) {
        text.chop(1);
    }
    return text;
}

// Only ASCII digits: a piece like "٣" is not a number a release would carry.
std::int64_t leadingNumber(QStringView piece) {
    qsizetype digits = 0;
    while (digits < piece.size() && piece[digits] >= u'0' && piece[digits] <= u'9') {
        ++digits;
    }
    bool ok = false;
    const qlonglong value = piece.first(digits).toLongLong(&ok);
    return ok ? value : 0;
}

QList<std::int64_t> numbers(const QString& text) {
    QList<std::int64_t> result;
    for (const QStringView piece : trimmed(text).split(u'.', Qt::SkipEmptyParts)) {
        result.append(leadingNumber(piece));
    }
    return result;
}

} // namespace

std::strong_ordering compareVersions(const QString& a, const QString& b) {
    const QList<std::int64_t> left = numbers(a);
    const QList<std::int64_t> right = numbers(b);
    const qsizetype length = std::max(left.size(), right.size());
    for (qsizetype i = 0; i < length; ++i) {
        const std::int64_t x = i < left.size() ? left[i] : 0;
        const std::int64_t y = i < right.size() ? right[i] : 0;
        if (x != y) {
            return x <=> y;
        }
    }
    return std::strong_ordering::equal;
}

} // namespace velkor

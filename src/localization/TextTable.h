#pragma once

#include "Language.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace velkor {

// The interface texts of the four languages: per language, keys in table order and their texts.
// Immutable once built.
class TextTable {
public:
    // The table compiled into the program, read on the first call and kept for the life of the
    // process. If the data cannot be read it is empty, so lookups fall back to the key.
    static const TextTable& builtIn();

    // Reads {"rows": [{"key": ..., "en": ..., "de": ..., "nl": ..., "fr": ...}, ...]}. A row
    // without a key is skipped, a repeated key keeps its first row, a missing or non-text
    // language value leaves that language without the key. Data that is not such a document
    // gives an empty table; every problem is logged as a warning.
    static TextTable fromJson(const QByteArray& json);

    // The text of `key` in `language`, if that language has one.
    std::optional<QString> text(Language language, const QString& key) const;

    // The keys `language` has a text for, in table order.
    const QStringList& keys(Language language) const;

    bool isEmpty() const;

private:
    struct Column {
        QStringList keys;
        QHash<QString, QString> texts;
    };
    std::array<Column, allLanguages.size()> m_columns;
};

} // namespace velkor

#include "TextTable.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLoggingCategory>
#include <QSet>
#include <algorithm>

namespace velkor {

namespace {

Q_LOGGING_CATEGORY(textTableLog, "velkor.localization")

const auto builtInPath = QStringLiteral(":/velkor/localization/translations.json");

QString columnName(Language language) {
    const std::string_view raw = id(language);
    return QString::fromLatin1(raw.data(), static_cast<qsizetype>(raw.size()));
}

TextTable loadBuiltIn() {
    QFile file(builtInPath);
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(textTableLog) << "cannot open" << builtInPath << file.errorString();
        return {};
    }
    return TextTable::fromJson(file.readAll());
}

} // namespace

const TextTable& TextTable::builtIn() {
    static const TextTable table = loadBuiltIn();
    return table;
}

TextTable TextTable::fromJson(const QByteArray& json) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError) {
        qCWarning(textTableLog) << "text table is not valid JSON:" << error.errorString();
        return {};
    }
    const QJsonValue rows = document.object().value(QLatin1String("rows"));
    if (!rows.isArray()) {
        qCWarning(textTableLog) << "text table has no \"rows\" array";
        return {};
    }

    TextTable table;
    QSet<QString> seen;
    for (const QJsonValue& rowValue : rows.toArray()) {
        const QJsonObject row = rowValue.toObject();
        const QString key = row.value(QLatin1String("key")).toString();
        if (key.isEmpty()) {
            qCWarning(textTableLog) << "text table row without a key skipped";
            continue;
        }
        if (seen.contains(key)) {
            qCWarning(textTableLog) << "text table key repeated, first row kept:" << key;
            continue;
        }
        seen.insert(key);
        for (const Language language : allLanguages) {
            const QJsonValue text = row.value(columnName(language));
            if (!text.isString()) {
                qCWarning(textTableLog)
                    << "text table key" << key << "has no text for" << columnName(language);
                continue;
            }
            Column& column = table.m_columns[index(language)];
            column.keys.append(key);
            column.texts.insert(key, text.toString());
        }
    }
    return table;
}

std::optional<QString> TextTable::text(Language language, const QString& key) const {
    const Column& column = m_columns[index(language)];
    const auto found = column.texts.constFind(key);
    if (found == column.texts.constEnd()) {
        return std::nullopt;
    }
    return *found;
}

const QStringList& TextTable::keys(Language language) const {
    return m_columns[index(language)].keys;
}

bool TextTable::isEmpty() const {
    return std::all_of(m_columns.begin(), m_columns.end(),
                       [](const Column& column) { return column.keys.isEmpty(); });
}

} // namespace velkor

#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <cstdint>
#include <optional>

namespace velkor::platform {

// Reads the fields of one JSON object with strict types. A required field that is missing or of
// the wrong type, and an optional one of the wrong type, turn ok() false for good; the value
// returned then is a harmless default, so callers read every field and check ok() once.
class JsonFieldReader {
public:
    explicit JsonFieldReader(QJsonObject object) : m_object(std::move(object)) {}

    bool ok() const { return m_ok; }

    QString string(const QString& key);
    // An integer within 64 bits; a fractional number fails.
    std::int64_t integer(const QString& key);
    bool boolean(const QString& key);
    double number(const QString& key);
    // An array whose every element is text.
    QStringList stringList(const QString& key);
    // Upper- or lower-case UUID text of 36 characters.
    QUuid uuid(const QString& key);
    // An array, for the caller to read element by element.
    QJsonArray array(const QString& key);

    // Missing or null reads as none.
    std::optional<QString> optionalString(const QString& key);
    std::optional<std::int64_t> optionalInteger(const QString& key);
    std::optional<bool> optionalBoolean(const QString& key);

private:
    // The value under `key`, failing when it is missing.
    QJsonValue required(const QString& key);
    // Whether `key` holds a value other than null.
    bool present(const QString& key) const;
    void fail() { m_ok = false; }

    QJsonObject m_object;
    bool m_ok = true;
};

} // namespace velkor::platform

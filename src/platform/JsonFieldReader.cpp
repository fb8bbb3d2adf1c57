#include "JsonFieldReader.h"

#include "JsonValues.h"

#include <QJsonArray>

namespace velkor::platform {

QJsonValue JsonFieldReader::required(const QString& key) {
    const QJsonValue value = m_object.value(key);
    if (value.isUndefined()) {
        fail();
    }
    return value;
}

bool JsonFieldReader::present(const QString& key) const {
    const QJsonValue value = m_object.value(key);
    return !value.isUndefined() && !value.isNull();
}

QString JsonFieldReader::string(const QString& key) {
    const QJsonValue value = required(key);
    if (!value.isString()) {
        fail();
    }
    return value.toString();
}

std::int64_t JsonFieldReader::integer(const QString& key) {
    const std::optional<std::int64_t> value = platform::jsonInteger(required(key));
    if (!value) {
        fail();
    }
    return value.value_or(0);
}

bool JsonFieldReader::boolean(const QString& key) {
    const QJsonValue value = required(key);
    if (!value.isBool()) {
        fail();
    }
    return value.toBool();
}

double JsonFieldReader::number(const QString& key) {
    const QJsonValue value = required(key);
    if (!value.isDouble()) {
        fail();
    }
    return value.toDouble();
}

QStringList JsonFieldReader::stringList(const QString& key) {
    QStringList list;
    for (const QJsonValue& element : array(key)) {
        if (!element.isString()) {
            fail();
            return {};
        }
        list.append(element.toString());
    }
    return list;
}

QUuid JsonFieldReader::uuid(const QString& key) {
    const QString text = string(key);
    const QUuid id = QUuid::fromString(text);
    // QUuid gives the all-zero id for garbage; only the text of that id may produce it.
    if (text.size() != 36 ||
        (id.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000"))) {
        fail();
    }
    return id;
}

QJsonArray JsonFieldReader::array(const QString& key) {
    const QJsonValue value = required(key);
    if (!value.isArray()) {
        fail();
    }
    return value.toArray();
}

std::optional<QString> JsonFieldReader::optionalString(const QString& key) {
    if (!present(key)) {
        return std::nullopt;
    }
    return string(key);
}

std::optional<std::int64_t> JsonFieldReader::optionalInteger(const QString& key) {
    if (!present(key)) {
        return std::nullopt;
    }
    return integer(key);
}

std::optional<bool> JsonFieldReader::optionalBoolean(const QString& key) {
    if (!present(key)) {
        return std::nullopt;
    }
    return boolean(key);
}

} // namespace velkor::platform

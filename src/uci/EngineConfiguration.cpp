#include "EngineConfiguration.h"

#include "platform/JsonValues.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace velkor {

namespace {

QString uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
}

std::optional<QUuid> readUuid(const QJsonValue& value) {
    if (!value.isString()) {
        return std::nullopt;
    }
    const QString text = value.toString();
    if (text.size() != 36) {
        return std::nullopt;
    }
    const QUuid id = QUuid::fromString(text);
    // The all-zero UUID is valid text, but also what QUuid returns for garbage.
    if (id.isNull() && text != QStringLiteral("00000000-0000-0000-0000-000000000000")) {
        return std::nullopt;
    }
    return id;
}

std::optional<QString> readString(const QJsonValue& value) {
    if (!value.isString()) {
        return std::nullopt;
    }
    return value.toString();
}

std::optional<std::int64_t> readInteger(const QJsonValue& value) {
    return platform::jsonInteger(value);
}

std::optional<bool> readBool(const QJsonValue& value) {
    if (!value.isBool()) {
        return std::nullopt;
    }
    return value.toBool();
}

// An optional field: absent (or null) is fine, a present value must read.
template <typename T, typename Reader>
bool readOptional(const QJsonObject& object, const QString& key, Reader reader,
                  std::optional<T>& field) {
    const QJsonValue value = object.value(key);
    if (value.isUndefined() || value.isNull()) {
        field.reset();
        return true;
    }
    field = reader(value);
    return field.has_value();
}

} // namespace

EngineConfiguration EngineConfiguration::makeNew(QString name, QString path, QString author) {
    EngineConfiguration engine;
    engine.id = QUuid::createUuid();
    engine.name = std::move(name);
    engine.executablePath = std::move(path);
    engine.author = std::move(author);
    return engine;
}

const EngineConfiguration& EngineConfiguration::builtInMini() {
    static const EngineConfiguration mini = [] {
        EngineConfiguration engine;
        engine.id = QUuid::fromString(QStringLiteral("00000000-0000-0000-0000-000000000001"));
        engine.name = QStringLiteral("Velkor Mini (Built-in)");
        engine.author = QStringLiteral("The Velkor developers");
        engine.skillLevel = 10;
        engine.threads = 1;
        engine.hashMB = 16;
        engine.limitElo = false;
        engine.elo = 2000;
        engine.multiPV = 3;
        engine.isBuiltIn = true;
        return engine;
    }();
    return mini;
}

QJsonObject EngineConfiguration::toJson() const {
    QJsonObject object;
    object.insert(QStringLiteral("id"), uuidText(id));
    object.insert(QStringLiteral("name"), name);
    object.insert(QStringLiteral("executablePath"), executablePath);
    object.insert(QStringLiteral("author"), author);
    object.insert(QStringLiteral("skillLevel"), qint64(skillLevel));
    object.insert(QStringLiteral("threads"), qint64(threads));
    object.insert(QStringLiteral("hashMB"), qint64(hashMB));
    object.insert(QStringLiteral("limitElo"), limitElo);
    object.insert(QStringLiteral("elo"), qint64(elo));
    if (multiPV) {
        object.insert(QStringLiteral("multiPV"), qint64(*multiPV));
    }
    if (supportsLimitStrength) {
        object.insert(QStringLiteral("supportsLimitStrength"), *supportsLimitStrength);
    }
    object.insert(QStringLiteral("isBuiltIn"), isBuiltIn);
    return object;
}

std::optional<EngineConfiguration> EngineConfiguration::fromJson(const QJsonObject& object) {
    const auto id = readUuid(object.value(QStringLiteral("id")));
    const auto name = readString(object.value(QStringLiteral("name")));
    const auto path = readString(object.value(QStringLiteral("executablePath")));
    const auto author = readString(object.value(QStringLiteral("author")));
    const auto skillLevel = readInteger(object.value(QStringLiteral("skillLevel")));
    const auto threads = readInteger(object.value(QStringLiteral("threads")));
    const auto hashMB = readInteger(object.value(QStringLiteral("hashMB")));
    const auto limitElo = readBool(object.value(QStringLiteral("limitElo")));
    const auto elo = readInteger(object.value(QStringLiteral("elo")));
    const auto isBuiltIn = readBool(object.value(QStringLiteral("isBuiltIn")));
    if (!id || !name || !path || !author || !skillLevel || !threads || !hashMB || !limitElo ||
        !elo || !isBuiltIn) {
        return std::nullopt;
    }
    EngineConfiguration engine;
    engine.id = *id;
    engine.name = *name;
    engine.executablePath = *path;
    engine.author = *author;
    engine.skillLevel = *skillLevel;
    engine.threads = *threads;
    engine.hashMB = *hashMB;
    engine.limitElo = *limitElo;
    engine.elo = *elo;
    engine.isBuiltIn = *isBuiltIn;
    if (!readOptional(object, QStringLiteral("multiPV"), readInteger, engine.multiPV) ||
        !readOptional(object, QStringLiteral("supportsLimitStrength"), readBool,
                      engine.supportsLimitStrength)) {
        return std::nullopt;
    }
    return engine;
}

QByteArray EngineConfiguration::encodeList(const QList<EngineConfiguration>& engines) {
    QJsonArray array;
    for (const auto& engine : engines) {
        array.append(engine.toJson());
    }
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

std::optional<QList<EngineConfiguration>> EngineConfiguration::decodeList(const QByteArray& data) {
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return std::nullopt;
    }
    QList<EngineConfiguration> engines;
    for (const QJsonValue& value : document.array()) {
        if (!value.isObject()) {
            return std::nullopt;
        }
        auto engine = fromJson(value.toObject());
        if (!engine) {
            return std::nullopt;
        }
        engines.append(std::move(*engine));
    }
    return engines;
}

size_t qHash(const EngineConfiguration& engine, size_t seed) noexcept {
    const auto optionalHash = [](const auto& value) -> size_t {
        return value ? ::qHash(*value) * 2 + 1 : 0;
    };
    return qHashMulti(seed, engine.id, engine.name, engine.executablePath, engine.author,
                      qint64(engine.skillLevel), qint64(engine.threads), qint64(engine.hashMB),
                      engine.limitElo, qint64(engine.elo), optionalHash(engine.multiPV),
                      optionalHash(engine.supportsLimitStrength), engine.isBuiltIn);
}

} // namespace velkor

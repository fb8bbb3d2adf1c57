#include "EngineConfiguration.h"

#include "chess/TextUtil.h"
#include "platform/JsonFieldReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonValue>

namespace velkor {

namespace {

const QString optionValuesKey = QStringLiteral("optionValues");

QString uuidText(const QUuid& id) {
    return id.toString(QUuid::WithoutBraces).toUpper();
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
    if (!optionValues.isEmpty()) {
        QJsonObject values;
        for (auto it = optionValues.begin(); it != optionValues.end(); ++it) {
            values.insert(it.key(), it.value());
        }
        object.insert(optionValuesKey, values);
    }
    return object;
}

std::optional<EngineConfiguration> EngineConfiguration::fromJson(const QJsonObject& object) {
    platform::JsonFieldReader read(object);
    EngineConfiguration engine;
    engine.id = read.uuid(QStringLiteral("id"));
    engine.name = read.string(QStringLiteral("name"));
    engine.executablePath = read.string(QStringLiteral("executablePath"));
    engine.author = read.string(QStringLiteral("author"));
    engine.skillLevel = read.integer(QStringLiteral("skillLevel"));
    engine.threads = read.integer(QStringLiteral("threads"));
    engine.hashMB = read.integer(QStringLiteral("hashMB"));
    engine.limitElo = read.boolean(QStringLiteral("limitElo"));
    engine.elo = read.integer(QStringLiteral("elo"));
    engine.isBuiltIn = read.boolean(QStringLiteral("isBuiltIn"));
    engine.multiPV = read.optionalInteger(QStringLiteral("multiPV"));
    engine.supportsLimitStrength = read.optionalBoolean(QStringLiteral("supportsLimitStrength"));
    if (!read.ok()) {
        return std::nullopt;
    }
    const QJsonValue values = object.value(optionValuesKey);
    if (!values.isUndefined() && !values.isNull()) {
        if (!values.isObject()) {
            return std::nullopt;
        }
        const QJsonObject table = values.toObject();
        for (auto it = table.begin(); it != table.end(); ++it) {
            if (!it.value().isString()) {
                return std::nullopt;
            }
            engine.optionValues.insert(it.key(), it.value().toString());
        }
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

EngineConfiguration::DecodedList EngineConfiguration::decodeRecords(const QByteArray& data) {
    DecodedList decoded;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(data, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray()) {
        return decoded;
    }
    decoded.isArray = true;
    for (const QJsonValue& value : document.array()) {
        auto engine = value.isObject() ? fromJson(value.toObject()) : std::nullopt;
        if (engine) {
            decoded.engines.append(std::move(*engine));
        } else {
            decoded.unreadable.append(value);
        }
    }
    return decoded;
}

std::optional<QList<EngineConfiguration>> EngineConfiguration::decodeList(const QByteArray& data) {
    DecodedList decoded = decodeRecords(data);
    if (!decoded.isArray || !decoded.unreadable.isEmpty()) {
        return std::nullopt;
    }
    return std::move(decoded.engines);
}

uci::OptionValues EngineConfiguration::startupOptionValues() const {
    uci::OptionValues values;
    if (threads > 1) {
        values["threads"] = std::to_string(threads);
    }
    if (hashMB >= 1) {
        values["hash"] = std::to_string(hashMB);
    }
    if (skillLevel < 20) {
        values["skill level"] = std::to_string(skillLevel);
    }
    for (auto it = optionValues.begin(); it != optionValues.end(); ++it) {
        values[text::lowercased(it.key().toStdString())] = it.value().toStdString();
    }
    return values;
}

std::optional<QString> EngineConfiguration::storedOptionValue(const QString& optionName) const {
    for (auto it = optionValues.begin(); it != optionValues.end(); ++it) {
        if (uci::sameOptionName(it.key().toStdString(), optionName.toStdString())) {
            return it.value();
        }
    }
    return std::nullopt;
}

size_t qHash(const EngineConfiguration& engine, size_t seed) noexcept {
    const auto optionalHash = [](const auto& value) -> size_t {
        return value ? ::qHash(*value) * 2 + 1 : 0;
    };
    return qHashMulti(seed, engine.id, engine.name, engine.executablePath, engine.author,
                      qint64(engine.skillLevel), qint64(engine.threads), qint64(engine.hashMB),
                      engine.limitElo, qint64(engine.elo), optionalHash(engine.multiPV),
                      optionalHash(engine.supportsLimitStrength), engine.isBuiltIn,
                      qHashRange(engine.optionValues.keyBegin(), engine.optionValues.keyEnd()),
                      qHashRange(engine.optionValues.begin(), engine.optionValues.end()));
}

QString distinctEngineLabel(const EngineConfiguration& engine,
                            const QList<EngineConfiguration>& engines) {
    bool nameShared = false;
    int samePathCount = 0;
    int position = 0;
    for (const EngineConfiguration& other : engines) {
        if (other.name != engine.name) {
            continue;
        }
        if (other.id != engine.id) {
            nameShared = true;
        }
        if (other.executablePath == engine.executablePath) {
            ++samePathCount;
            if (other.id == engine.id && position == 0) {
                position = samePathCount;
            }
        }
    }
    if (!nameShared) {
        return engine.name;
    }
    QString label = engine.name + QStringLiteral(" (") + engine.executablePath + QLatin1Char(')');
    if (samePathCount > 1) {
        // An engine outside the list counts after those in it.
        label +=
            QStringLiteral(" #") + QString::number(position > 0 ? position : samePathCount + 1);
    }
    return label;
}

} // namespace velkor

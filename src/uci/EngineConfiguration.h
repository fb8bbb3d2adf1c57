#pragma once

#include "UciOption.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <optional>

namespace velkor {

// One installed UCI engine: where its executable lies, how it is shown and the options sent to it
// at start. Equality and hashing cover every field; lists identify records by `id`.
struct EngineConfiguration {
    QUuid id;
    QString name;
    // Absolute path of the executable; empty for the built-in record.
    QString executablePath;
    QString author;
    // "Skill Level"; 20 or more sends nothing.
    std::int64_t skillLevel = 20;
    // "Threads"; sent only when greater than 1.
    std::int64_t threads = 2;
    // "Hash" in megabytes; sent only when at least 1.
    std::int64_t hashMB = 64;
    bool limitElo = false;
    std::int64_t elo = 2000;
    // "MultiPV"; sent only when at least 2.
    std::optional<std::int64_t> multiPV = 3;
    // Whether the engine offers UCI_LimitStrength; absent while unknown.
    std::optional<bool> supportsLimitStrength;
    // The built-in stand-in record, which has no executable.
    bool isBuiltIn = false;
    // Values a person chose for the engine's free options, by the option's name as the engine
    // declares it, in the form they are sent. Stored under "optionValues" only when there are
    // any, so records from before stay as they were. A value here wins over `threads`, `hashMB`
    // and `skillLevel` for the option of the same name.
    QMap<QString, QString> optionValues;

    // A new record for an engine found or added at `path`: the defaults and a fresh id.
    static EngineConfiguration makeNew(QString name, QString path, QString author);

    // The fixed built-in record "Velkor Mini (Built-in)" with id
    // 00000000-0000-0000-0000-000000000001; never listed in the registry.
    static const EngineConfiguration& builtInMini();

    // The stored JSON object: every field under its own name, the id as upper-case UUID text,
    // absent optionals left out.
    QJsonObject toJson() const;

    // Nothing when a required key is missing or a value has the wrong type.
    static std::optional<EngineConfiguration> fromJson(const QJsonObject& object);

    // A compact JSON array of records, as the registry stores it.
    static QByteArray encodeList(const QList<EngineConfiguration>& engines);

    // A stored list read record by record: one damaged record costs only itself.
    struct DecodedList {
        // The readable records, in stored order.
        QList<EngineConfiguration> engines;
        // The records that could not be read, exactly as stored (also a value that is no
        // object at all).
        QJsonArray unreadable;
        // False when the data is not a JSON array at all; then nothing could be read.
        bool isArray = false;
    };
    static DecodedList decodeRecords(const QByteArray& data);

    // The records of a stored array; nothing when the data is not such an array or any record in
    // it is unreadable.
    static std::optional<QList<EngineConfiguration>> decodeList(const QByteArray& data);

    // The values to start the engine with, by lower-cased option name: Threads, Hash and Skill
    // Level from their own fields where those ask for a value (more than one thread, a hash of at
    // least 1 MB, a skill below 20), then every stored option value over them.
    uci::OptionValues startupOptionValues() const;

    // The stored value of the option called `optionName` (any case), if there is one.
    std::optional<QString> storedOptionValue(const QString& optionName) const;

    bool operator==(const EngineConfiguration&) const = default;
};

size_t qHash(const EngineConfiguration& engine, size_t seed = 0) noexcept;

// How a picker names `engine` among `engines` so that no two entries read alike: the name alone
// when it is the only one so named, else the name with the executable's path, and where even the
// path is shared a number ("Stockfish 15.1 (/usr/games/stockfish) #2"), in list order.
QString distinctEngineLabel(const EngineConfiguration& engine,
                            const QList<EngineConfiguration>& engines);

} // namespace velkor

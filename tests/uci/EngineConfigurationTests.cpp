#include "uci/EngineConfiguration.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <gtest/gtest.h>

namespace velkor {
namespace {

EngineConfiguration sampleEngine() {
    EngineConfiguration engine = EngineConfiguration::makeNew(
        QStringLiteral("Stockfish"), QStringLiteral("/usr/games/stockfish"), QStringLiteral("SF"));
    engine.limitElo = true;
    engine.elo = 1850;
    engine.supportsLimitStrength = true;
    return engine;
}

TEST(EngineConfiguration, JsonUsesFieldNamesUpperCaseIdsAndLeavesOutAbsentOptionals) {
    EngineConfiguration engine = sampleEngine();
    engine.multiPV.reset();
    engine.supportsLimitStrength.reset();
    const QJsonObject json = engine.toJson();
    EXPECT_EQ(json.keys(), (QStringList{"author", "elo", "executablePath", "hashMB", "id",
                                        "isBuiltIn", "limitElo", "name", "skillLevel", "threads"}));
    const QString id = json.value("id").toString();
    EXPECT_EQ(id.size(), 36);
    EXPECT_EQ(id, id.toUpper());
    EXPECT_EQ(json.value("elo").toInteger(), 1850);
    EXPECT_TRUE(json.value("limitElo").toBool());
    EXPECT_EQ(EngineConfiguration::fromJson(json), engine);
}

TEST(EngineConfiguration, ListRoundTripsCompactly) {
    EngineConfiguration big = sampleEngine();
    big.hashMB = std::int64_t{1} << 60;
    const QList<EngineConfiguration> engines{sampleEngine(), big,
                                             EngineConfiguration::builtInMini()};
    const QByteArray data = EngineConfiguration::encodeList(engines);
    EXPECT_FALSE(data.contains('\n'));
    EXPECT_EQ(EngineConfiguration::decodeList(data), engines);
}

TEST(EngineConfiguration, OneBadRecordMakesTheWholeListUnreadable) {
    const QJsonObject good = sampleEngine().toJson();
    const auto listWith = [&good](const QJsonObject& other) {
        return QJsonDocument(QJsonArray{good, other}).toJson(QJsonDocument::Compact);
    };
    for (const char* key : {"id", "name", "executablePath", "author", "skillLevel", "threads",
                            "hashMB", "limitElo", "elo", "isBuiltIn"}) {
        QJsonObject missing = good;
        missing.remove(key);
        EXPECT_FALSE(EngineConfiguration::decodeList(listWith(missing))) << key;
    }
    QJsonObject wrongType = good;
    wrongType.insert("threads", "2");
    EXPECT_FALSE(EngineConfiguration::decodeList(listWith(wrongType)));
    wrongType = good;
    wrongType.insert("elo", 1500.5);
    EXPECT_FALSE(EngineConfiguration::decodeList(listWith(wrongType)));
    wrongType = good;
    wrongType.insert("multiPV", true);
    EXPECT_FALSE(EngineConfiguration::decodeList(listWith(wrongType)));
    wrongType = good;
    wrongType.insert("id", "not-a-uuid");
    EXPECT_FALSE(EngineConfiguration::decodeList(listWith(wrongType)));
    EXPECT_FALSE(EngineConfiguration::decodeList("{\"not\":\"an array\"}"));
    EXPECT_FALSE(EngineConfiguration::decodeList("[1]"));
}

TEST(EngineConfiguration, OptionalsMayBeMissingOrNullAndIdsAnyCase) {
    const EngineConfiguration original = sampleEngine();
    QJsonObject json = original.toJson();
    json.remove("multiPV");
    json.insert("supportsLimitStrength", QJsonValue::Null);
    json.insert("id", json.value("id").toString().toLower());
    const auto engine = EngineConfiguration::fromJson(json);
    ASSERT_TRUE(engine);
    EXPECT_FALSE(engine->multiPV);
    EXPECT_FALSE(engine->supportsLimitStrength);
    EXPECT_EQ(engine->id, original.id);
}

TEST(EngineConfiguration, OptionValuesAreAnOptionalTableOfTexts) {
    EngineConfiguration engine = sampleEngine();
    engine.optionValues = {{"Threads", "8"}, {"SyzygyPath", ""}, {"Style", "Risky"}};
    const QJsonObject json = engine.toJson();
    EXPECT_EQ(json.value("optionValues").toObject(),
              (QJsonObject{{"Threads", "8"}, {"SyzygyPath", ""}, {"Style", "Risky"}}));
    EXPECT_EQ(EngineConfiguration::fromJson(json), engine);
    EXPECT_FALSE(sampleEngine().toJson().contains("optionValues"));

    QJsonObject nulled = json;
    nulled.insert("optionValues", QJsonValue::Null);
    EXPECT_EQ(EngineConfiguration::fromJson(nulled).value().optionValues.size(), 0);
    for (const QJsonValue& wrong :
         {QJsonValue(QJsonArray{"Threads", "8"}), QJsonValue("Threads=8"),
          QJsonValue(QJsonObject{{"Threads", 8}}), QJsonValue(QJsonObject{{"Ponder", true}})}) {
        QJsonObject damaged = json;
        damaged.insert("optionValues", wrong);
        EXPECT_FALSE(EngineConfiguration::fromJson(damaged));
    }
}

TEST(EngineConfiguration, StartValuesTakeStoredOptionsOverTheOlderFields) {
    EngineConfiguration engine = sampleEngine();
    engine.threads = 4;
    engine.hashMB = 256;
    engine.skillLevel = 20;
    EXPECT_EQ(engine.startupOptionValues(), (uci::OptionValues{{"threads", "4"}, {"hash", "256"}}));
    engine.threads = 1;
    engine.hashMB = 0;
    engine.skillLevel = 7;
    engine.optionValues = {{"HASH", "32"}, {"Skill Level", "20"}, {"Move Overhead", "100"}};
    EXPECT_EQ(engine.startupOptionValues(),
              (uci::OptionValues{{"hash", "32"}, {"skill level", "20"}, {"move overhead", "100"}}));
    EXPECT_EQ(engine.storedOptionValue("hash"), "32");
    EXPECT_FALSE(engine.storedOptionValue("Threads"));
}

TEST(EngineConfiguration, PickerLabelsTellEnginesOfOneNameApart) {
    const auto engine = [](const char* name, const char* path) {
        return EngineConfiguration::makeNew(QString::fromLatin1(name), QString::fromLatin1(path),
                                            QStringLiteral("SF"));
    };
    const EngineConfiguration debian = engine("Stockfish 15.1", "/usr/games/stockfish");
    const EngineConfiguration local = engine("Stockfish 15.1", "/opt/sf/stockfish");
    const EngineConfiguration again = engine("Stockfish 15.1", "/usr/games/stockfish");
    const EngineConfiguration toga = engine("Toga II", "/usr/games/toga2");
    const QList<EngineConfiguration> installed{debian, local, again, toga};
    QStringList labels;
    for (const EngineConfiguration& each : installed) {
        labels.append(distinctEngineLabel(each, installed));
    }
    EXPECT_EQ(labels, (QStringList{"Stockfish 15.1 (/usr/games/stockfish) #1",
                                   "Stockfish 15.1 (/opt/sf/stockfish)",
                                   "Stockfish 15.1 (/usr/games/stockfish) #2", "Toga II"}));
    EXPECT_EQ(distinctEngineLabel(debian, {debian, toga}), "Stockfish 15.1");
}

TEST(EngineConfiguration, HashCoversEveryField) {
    EngineConfiguration a = sampleEngine();
    EngineConfiguration b = a;
    EXPECT_EQ(qHash(a), qHash(b));
    b.supportsLimitStrength = false;
    EXPECT_NE(qHash(a), qHash(b));
    b = a;
    b.multiPV.reset();
    EXPECT_NE(qHash(a), qHash(b));
    b = a;
    b.optionValues.insert("Threads", "4");
    EXPECT_NE(qHash(a), qHash(b));
    EngineConfiguration c = b;
    c.optionValues.insert("Threads", "8");
    EXPECT_NE(qHash(b), qHash(c));
}

} // namespace
} // namespace velkor

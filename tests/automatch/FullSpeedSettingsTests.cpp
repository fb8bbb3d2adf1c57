// The window's full-speed settings: kept across sessions field by field, and turned into the
// runner's match with the engines the automatch chose.
#include "automatch/FullSpeedSettings.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace velkor::automatch {
namespace {

FullSpeedSettings everythingSet() {
    FullSpeedSettings settings;
    settings.games = 1234;
    settings.concurrency = 3;
    settings.limit.kind = MoveLimit::Kind::Nodes;
    settings.limit.nodes = 5000;
    settings.openingFile = QStringLiteral("/books/8moves.pgn");
    settings.openingPlies = 12;
    settings.randomOrder = true;
    settings.seed = 77;
    settings.paired = false;
    settings.adjudication.draw = DrawAdjudication{34, 8, 20};
    settings.adjudication.resign = ResignAdjudication{3, 700, true};
    settings.adjudication.maxMoves = 150;
    settings.sprt = SprtSettings{-1.75, 0.25, 0.05, 0.1, SprtModel::Logistic};
    settings.finishRunningGamesOnSprt = true;
    return settings;
}

TEST(FullSpeedSettingsTest, AreKeptFieldByFieldAndDamagedValuesFallBackAlone) {
    const FullSpeedSettings stored = everythingSet();
    const FullSpeedSettings read = FullSpeedSettings::fromJson(stored.toJson());
    EXPECT_EQ(read.toJson(), stored.toJson());
    EXPECT_EQ(read.adjudication.resign->score, 700);
    EXPECT_EQ(read.sprt->model, SprtModel::Logistic);

    // Nothing stored yet: the defaults, a 10+0.1 clock with paired openings and no test.
    const FullSpeedSettings fresh = FullSpeedSettings::fromJson({});
    EXPECT_EQ(fresh.limit.kind, MoveLimit::Kind::Clock);
    EXPECT_EQ(fresh.limit.baseMs, 10'000);
    EXPECT_EQ(fresh.limit.incrementMs, 100);
    EXPECT_TRUE(fresh.paired);
    EXPECT_FALSE(fresh.sprt.has_value());
    EXPECT_FALSE(fresh.concurrency.has_value());

    // Edited by hand or by an older version: each bad value falls back alone.
    QJsonObject damaged = stored.toJson();
    damaged.insert(QStringLiteral("games"), -5);
    damaged.insert(QStringLiteral("limit"), QStringLiteral("hourglass"));
    damaged.insert(QStringLiteral("concurrency"), QStringLiteral("many"));
    damaged.insert(QStringLiteral("sprt"),
                   QJsonObject{{QStringLiteral("elo0"), 5}, {QStringLiteral("elo1"), 0}});
    const FullSpeedSettings mended = FullSpeedSettings::fromJson(damaged);
    EXPECT_EQ(mended.games, FullSpeedSettings{}.games);
    EXPECT_EQ(mended.limit.kind, MoveLimit::Kind::Clock);
    EXPECT_EQ(mended.limit.nodes, 5000);
    EXPECT_EQ(mended.concurrency, 1);
    EXPECT_FALSE(mended.sprt.has_value()) << "a test whose bounds are the wrong way round";
    EXPECT_EQ(mended.openingPlies, 12);
    EXPECT_EQ(mended.adjudication.maxMoves, 150);
}

TEST(FullSpeedSettingsTest, MakeTheRunnersMatchWithTheChosenEnginesOrSayWhyNot) {
    QTemporaryDir dir;
    const QString enginePath = dir.filePath(QStringLiteral("engine"));
    QFile engineFile(enginePath);
    ASSERT_TRUE(engineFile.open(QIODevice::WriteOnly));
    engineFile.write("#!/bin/sh\n");
    engineFile.close();
    engineFile.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString bookPath = dir.filePath(QStringLiteral("book.epd"));
    QFile book(bookPath);
    ASSERT_TRUE(book.open(QIODevice::WriteOnly));
    book.close();

    EngineConfiguration engine =
        EngineConfiguration::makeNew(QStringLiteral("Twin"), enginePath, {});
    engine.threads = 1;
    engine.hashMB = 32;
    engine.optionValues.insert(QStringLiteral("hash"), QStringLiteral("64"));
    engine.optionValues.insert(QStringLiteral("Contempt"), QStringLiteral("0"));
    const ChosenEngine limited{engine, 1800};
    const ChosenEngine full{engine, std::nullopt};

    FullSpeedSettings settings;
    settings.games = 7;
    settings.openingFile = bookPath;
    const auto made = fullSpeedMatchConfig(settings, limited, full, 2, dir.filePath("state.json"));
    ASSERT_TRUE(std::holds_alternative<MatchConfig>(made)) << std::get<QString>(made).toStdString();
    const MatchConfig& config = std::get<MatchConfig>(made);
    // Seven games in pairs are four rounds; one core is left free.
    EXPECT_EQ(config.gamesPerRound, 2);
    EXPECT_EQ(config.rounds, 4);
    EXPECT_EQ(config.concurrency, 1);
    EXPECT_EQ(config.openings->format, OpeningSetup::Format::Epd);
    EXPECT_NE(config.engines[0].name, config.engines[1].name);
    // A person's option value wins over the record's own figure, under the engine's spelling.
    const std::vector<std::pair<std::string, std::string>> expected{{"Threads", "1"},
                                                                    {"Hash", "64"},
                                                                    {"Contempt", "0"},
                                                                    {"UCI_LimitStrength", "true"},
                                                                    {"UCI_Elo", "1800"}};
    EXPECT_EQ(config.engines[0].options, expected);
    EXPECT_EQ(config.engines[1].options.size(), 3u);
    EXPECT_EQ(config.engines[0].limit.baseMs, 10'000);

    settings.openingFile = dir.filePath(QStringLiteral("missing.epd"));
    const auto missingBook = fullSpeedMatchConfig(settings, limited, full, 8, {});
    ASSERT_TRUE(std::holds_alternative<QString>(missingBook));
    EXPECT_TRUE(std::get<QString>(missingBook).contains(QStringLiteral("missing.epd")));
    settings.openingFile.clear();
    EXPECT_TRUE(std::holds_alternative<QString>(
        fullSpeedMatchConfig(settings, limited, std::nullopt, 8, {})));
    EXPECT_TRUE(std::holds_alternative<QString>(fullSpeedMatchConfig(
        settings, ChosenEngine{EngineConfiguration::builtInMini(), {}}, full, 8, {})));
    settings.sprt = SprtSettings{0, 5, 0.97, 0.05, SprtModel::Normalized};
    EXPECT_TRUE(
        std::holds_alternative<QString>(fullSpeedMatchConfig(settings, limited, full, 8, {})));
}

} // namespace
} // namespace velkor::automatch

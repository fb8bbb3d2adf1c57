#include "FakeEngine.h"
#include "ReadOnlyPath.h"
#include "platform/Settings.h"
#include "platform/StoreAlerts.h"
#include "uci/EngineManager.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <qcoro/qcorotask.h>

namespace velkor {
namespace {

using namespace std::chrono_literals;
using testing::FakeEngine;

const QString storeKey = QStringLiteral("Brontil_InstalledEngines");

class EngineManagerTest : public ::testing::Test {
protected:
    // The search paths of a machine whose only places are inside a private folder.
    EngineManagerEnvironment environment() const {
        EngineManagerEnvironment environment;
        environment.searchPaths = EngineSearchPaths::standard(m_home.path());
        environment.searchPaths.palloxCandidates.removeIf(
            [this](const QString& path) { return !path.startsWith(m_home.path()); });
        environment.searchPaths.commonPaths = {place("bin/stockfish"), place("games/stockfish"),
                                               place("games/toga2")};
        environment.engineTestTimeout = 500ms;
        environment.killGrace = 200ms;
        return environment;
    }

    QString place(const QString& relative) const { return m_home.filePath(relative); }

    // An executable (not an engine) at `relative` below the private folder.
    QString makeExecutable(const QString& relative, bool executable = true) const {
        const QString path = place(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\n");
        file.close();
        if (executable) {
            file.setPermissions(file.permissions() | QFile::ExeOwner);
        }
        return path;
    }

    static void store(const QList<EngineConfiguration>& engines) {
        platform::Settings::setValue(storeKey, EngineConfiguration::encodeList(engines));
    }
    static std::optional<QList<EngineConfiguration>> stored() {
        return EngineConfiguration::decodeList(platform::Settings::value(storeKey).toByteArray());
    }
    static QStringList names(const QList<EngineConfiguration>& engines) {
        QStringList result;
        for (const auto& engine : engines) {
            result.append(engine.name);
        }
        return result;
    }
    static EngineConfiguration engine(const QString& name, const QString& path) {
        return EngineConfiguration::makeNew(name, path, {});
    }

    QTemporaryDir m_home;
};

TEST_F(EngineManagerTest, StartUpLoadsTheStoredListAndSavesItBackInPriorityOrder) {
    EngineConfiguration other = engine("Other", "/x/other");
    other.multiPV.reset();
    EngineConfiguration pallox = engine("My Engine", "/x/PALLOX-uci");
    pallox.multiPV.reset();
    store({other, pallox});

    EngineManager manager(environment());
    EXPECT_EQ(names(manager.availableEngines()), (QStringList{"My Engine", "Other"}));
    for (const auto& entry : manager.availableEngines()) {
        EXPECT_EQ(entry.multiPV, 3);
    }
    EXPECT_EQ(stored(), manager.availableEngines());
    EXPECT_EQ(manager.selectedWhiteEngine(), manager.availableEngines().first());
    EXPECT_EQ(manager.selectedBlackEngine(), manager.availableEngines().first());
}

TEST_F(EngineManagerTest, UnreadableStoreFallsBackToDiscoveryThenToTheScan) {
    QJsonObject broken = engine("Broken", "/x/broken").toJson();
    broken.remove("isBuiltIn");
    const QByteArray unreadable = QJsonDocument(QJsonArray{broken}).toJson();

    platform::Settings::setValue(storeKey, unreadable);
    EngineManager nothingFound(environment());
    EXPECT_TRUE(nothingFound.availableEngines().isEmpty());
    EXPECT_FALSE(nothingFound.selectedWhiteEngine());
    EXPECT_EQ(platform::Settings::value(storeKey).toByteArray(), "[]");

    makeExecutable("games/toga2");
    platform::Settings::setValue(storeKey, unreadable);
    EngineManager scanned(environment());
    EXPECT_EQ(names(scanned.availableEngines()), QStringList{"Toga2"});
    EXPECT_EQ(scanned.availableEngines().first().author, "Auto-detected");

    makeExecutable("bin/pallox-uci");
    platform::Settings::setValue(storeKey, unreadable);
    EngineManager discovered(environment());
    ASSERT_EQ(names(discovered.availableEngines()), QStringList{"Pallox"});
    EXPECT_EQ(discovered.availableEngines().first().executablePath, place("bin/pallox-uci"));
    EXPECT_EQ(stored(), discovered.availableEngines());
}

TEST_F(EngineManagerTest, ADamagedRecordCostsOnlyItselfAndIsKeptAside) {
    makeExecutable("games/stockfish");
    makeExecutable("games/toga2");
    EngineConfiguration mine = engine("My Stockfish", "/opt/sf/stockfish");
    mine.limitElo = true;
    mine.elo = 1650;
    mine.threads = 6;
    mine.hashMB = 512;
    const EngineConfiguration other = engine("Other", "/x/other");
    QJsonObject damaged = engine("Damaged", "/x/damaged").toJson();
    damaged.insert("threads", "four");
    const QJsonArray storedList{mine.toJson(), damaged, 7, other.toJson()};
    platform::Settings::setValue(storeKey,
                                 QJsonDocument(storedList).toJson(QJsonDocument::Compact));

    EngineManager manager(environment());
    // The readable engines stay as the person left them; nothing was re-detected over them.
    EXPECT_EQ(manager.availableEngines(), (QList{mine, other}));
    EXPECT_EQ(stored(), manager.availableEngines());
    const QByteArray aside = platform::Settings::value(storeKey + "_Unreadable").toByteArray();
    EXPECT_EQ(QJsonDocument::fromJson(aside).array(), (QJsonArray{damaged, 7}));

    const auto& alerts = platform::StoreAlerts::shared().alerts();
    ASSERT_EQ(alerts.size(), 1);
    EXPECT_EQ(alerts.first().textKey, "store_engines_set_aside");
    EXPECT_TRUE(alerts.first().details.contains(storeKey + "_Unreadable"));

    // The next start reads a clean list and has nothing more to set aside.
    EngineManager next(environment());
    EXPECT_EQ(next.availableEngines(), (QList{mine, other}));
    EXPECT_FALSE(platform::Settings::contains(storeKey + "_Unreadable_2"));
}

TEST_F(EngineManagerTest, AListThatCannotBeReadIsCopiedBeforeDetectionReplacesIt) {
    makeExecutable("games/toga2");
    platform::Settings::setValue(storeKey, QByteArray("[{\"name\": \"cut off"));
    EngineManager manager(environment());
    EXPECT_EQ(names(manager.availableEngines()), QStringList{"Toga2"});
    EXPECT_EQ(platform::Settings::value(storeKey + "_Unreadable").toByteArray(),
              "[{\"name\": \"cut off");
    EXPECT_EQ(stored(), manager.availableEngines());
}

TEST_F(EngineManagerTest, AnUnreadableListIsLeftUntouchedWhenNoCopyCanBeKept) {
    makeExecutable("games/toga2");
    const QByteArray damaged = "[{\"name\": 5}]";
    platform::Settings::setValue(storeKey, damaged);
    const QString storeFile = platform::Settings::fileName();
    const QByteArray before = [&storeFile] {
        QFile file(storeFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }();
    const testing::ReadOnlyPath readOnly(storeFile);
    if (!readOnly.holds()) {
        GTEST_SKIP() << "this process cannot make a file read-only for itself";
    }

    EngineManager manager(environment());
    EXPECT_EQ(names(manager.availableEngines()), QStringList{"Toga2"});
    manager.removeEngine(manager.availableEngines().first());
    QFile file(storeFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), before);
    QStringList said;
    for (const auto& alert : platform::StoreAlerts::shared().alerts()) {
        said.append(alert.textKey);
    }
    EXPECT_EQ(said, (QStringList{"store_settings_unwritable", "store_engines_left_untouched"}));
}

TEST_F(EngineManagerTest, DiscoveryAddsNoSecondPallox) {
    makeExecutable("bin/pallox-uci");
    store({engine("Other", "/x/other"), engine("Renamed", "/opt/Pallox/engine")});
    EngineManager manager(environment());
    EXPECT_EQ(names(manager.availableEngines()), (QStringList{"Renamed", "Other"}));
}

TEST_F(EngineManagerTest, ScanAddsEachExecutableOnceWithItsCapitalizedName) {
    makeExecutable("bin/stockfish");
    makeExecutable("games/stockfish");
    makeExecutable("games/toga2", false);
    EngineManager manager(environment());
    EXPECT_EQ(names(manager.availableEngines()), (QStringList{"Stockfish", "Stockfish"}));

    makeExecutable("bin/pallox-uci");
    manager.scanDefaultPaths();
    manager.scanDefaultPaths();
    EXPECT_EQ(names(manager.availableEngines()), (QStringList{"Pallox", "Stockfish", "Stockfish"}));
    EXPECT_EQ(stored(), manager.availableEngines());
}

TEST_F(EngineManagerTest, PrioritizedMovesPalloxEnginesFirstKeepingTheOrder) {
    const QList<EngineConfiguration> engines{engine("A", "/a"), engine("pallox one", "/b"),
                                             engine("C", "/c"), engine("D", "/opt/PaLLoX/d")};
    EXPECT_EQ(names(EngineManager::prioritized(engines)),
              (QStringList{"pallox one", "D", "A", "C"}));
}

TEST_F(EngineManagerTest, RemovingTheSelectedEngineMovesTheSelection) {
    store({engine("A", "/a"), engine("B", "/b")});
    EngineManager manager(environment());
    const EngineConfiguration a = manager.availableEngines()[0];
    EngineConfiguration b = manager.availableEngines()[1];
    b.elo = 1234; // a selection is used as written
    manager.setSelectedBlackEngine(b);

    manager.removeEngine(a);
    EXPECT_EQ(names(manager.availableEngines()), QStringList{"B"});
    EXPECT_EQ(manager.selectedWhiteEngine()->id, b.id);
    EXPECT_EQ(manager.selectedBlackEngine(), b);
    EXPECT_EQ(stored(), manager.availableEngines());

    manager.removeEngine(b);
    EXPECT_FALSE(manager.selectedWhiteEngine());
    EXPECT_FALSE(manager.selectedBlackEngine());
}

TEST_F(EngineManagerTest, UpdateEngineConfigChangesEntryAndSelectionsOnlyForAListedId) {
    store({engine("A", "/a"), engine("B", "/b")});
    EngineManager manager(environment());
    const EngineConfiguration a = manager.availableEngines()[0];
    manager.setSelectedBlackEngine(manager.availableEngines()[1]);

    manager.updateEngineConfig(a.id, true, 3190);
    EXPECT_TRUE(manager.availableEngines()[0].limitElo);
    EXPECT_EQ(manager.availableEngines()[0].elo, 3190);
    EXPECT_EQ(manager.selectedWhiteEngine()->elo, 3190);
    EXPECT_EQ(manager.selectedBlackEngine()->elo, 2000);
    EXPECT_EQ(stored(), manager.availableEngines());

    // An unknown id touches nothing, not even a selection that has it, and saves nothing.
    EngineConfiguration unlisted = engine("C", "/c");
    manager.setSelectedBlackEngine(unlisted);
    platform::Settings::setValue(storeKey, QByteArray("untouched"));
    manager.updateEngineConfig(unlisted.id, true, 1500);
    EXPECT_EQ(manager.selectedBlackEngine(), unlisted);
    EXPECT_EQ(platform::Settings::value(storeKey).toByteArray(), "untouched");
}

TEST_F(EngineManagerTest, RecordSavesOnlyWhenAListedEntryChanged) {
    store({engine("A", "/a"), engine("A again", "/a"), engine("B", "/b")});
    EngineManager manager(environment());
    manager.record(true, "/a");
    EXPECT_EQ(manager.availableEngines()[0].supportsLimitStrength, true);
    EXPECT_EQ(manager.availableEngines()[1].supportsLimitStrength, true);
    EXPECT_FALSE(manager.availableEngines()[2].supportsLimitStrength);
    EXPECT_EQ(manager.selectedWhiteEngine()->supportsLimitStrength, true);
    EXPECT_EQ(stored(), manager.availableEngines());

    platform::Settings::setValue(storeKey, QByteArray("untouched"));
    manager.record(true, "/a");
    manager.setSelectedBlackEngine(engine("Unlisted", "/u"));
    manager.record(false, "/u");
    EXPECT_EQ(manager.selectedBlackEngine()->supportsLimitStrength, false);
    EXPECT_EQ(platform::Settings::value(storeKey).toByteArray(), "untouched");
}

TEST_F(EngineManagerTest, EngineTestReadsTheReplyAndStopsAtUciok) {
    const FakeEngine fake(
        FakeEngine::handshake({"option name Hash type spin default 16 min 1 max 1024",
                               "option name UCI_LimitStrength type check default false",
                               "option name Broken type spin", "id name Later Name"}));
    // A limit far beyond any start-up, so that returning well before it can only mean the test
    // stopped at "uciok", however busy the machine is.
    EngineManagerEnvironment patient = environment();
    patient.engineTestTimeout = 20s;
    EngineManager manager(patient);
    QElapsedTimer timer;
    timer.start();
    const auto result = QCoro::waitFor(manager.testEngine(fake.path()));
    EXPECT_LT(timer.elapsed(), 10'000);
    EXPECT_TRUE(result.success);
    EXPECT_EQ(result.engineName, "Later Name");
    EXPECT_EQ(result.author, "Velkor tests");
    EXPECT_EQ(result.supportsLimitStrength, true);
    ASSERT_EQ(result.options.size(), 2U);
    EXPECT_EQ(result.options[0],
              (uci::UciOption{"Hash", uci::UciOption::Type::spin, "16", 1, 1024, {}}));
    EXPECT_EQ(result.options[1].name, "UCI_LimitStrength");
    EXPECT_FALSE(result.error);
    // The child is ended right after "uciok", so "quit" may not have been read by then.
    EXPECT_EQ(fake.receivedCommands().value(0), "uci");
    EXPECT_TRUE(testing::waitUntilGone(*fake.pid()));
}

TEST_F(EngineManagerTest, EngineTestFailsOnlyWhenTheTimeIsUp) {
    const FakeEngine silent(QStringLiteral("ignore-term\nignore-quit\n"));
    const FakeEngine exitsAtOnce(QStringLiteral("at-start\nexit 0\n"));
    EngineManager manager(environment());
    for (const FakeEngine* fake : {&silent, &exitsAtOnce}) {
        QElapsedTimer timer;
        timer.start();
        const auto result = QCoro::waitFor(manager.testEngine(fake->path()));
        EXPECT_GE(timer.elapsed(), 500);
        EXPECT_EQ(result,
                  (EngineTestResult{
                      false, std::nullopt, std::nullopt,
                      QStringLiteral("Engine did not reply with 'uciok' within 0.5 seconds"),
                      std::nullopt}));
        EXPECT_TRUE(testing::processIsGone(*fake->pid()));
    }
}

TEST_F(EngineManagerTest, AddEngineExplainsWhyNothingWasAdded) {
    EngineManager manager(environment());
    const auto add = [&manager](const QString& path) {
        return QCoro::waitFor(manager.addEngine(path, std::nullopt));
    };
    EXPECT_EQ(add(place("missing")).message, "File does not exist at specified path.");
    EXPECT_EQ(add(makeExecutable("plain", false)).message, "File is not executable.");
    const auto notAnEngine = add(makeExecutable("script"));
    EXPECT_FALSE(notAnEngine.engine);
    EXPECT_EQ(notAnEngine.message,
              "Engine failed UCI test: Engine did not reply with 'uciok' within 0.5 seconds");
    EXPECT_TRUE(manager.availableEngines().isEmpty());
}

TEST_F(EngineManagerTest, AddEngineNamesTheRecordAndReplacesOneWithTheSamePath) {
    const FakeEngine named(FakeEngine::handshake());
    const FakeEngine unnamed(QStringLiteral("on uci\nsay uciok\n"), QStringLiteral("nameless-uci"));
    EngineManager manager(environment());

    const auto custom =
        QCoro::waitFor(manager.addEngine(named.path(), QStringLiteral("  Mine \n")));
    ASSERT_TRUE(custom.engine);
    EXPECT_FALSE(custom.message);
    EXPECT_EQ(custom.engine->name, "Mine");
    EXPECT_EQ(custom.engine->author, "Velkor tests");
    EXPECT_EQ(custom.engine->supportsLimitStrength, false);
    EXPECT_EQ(manager.selectedWhiteEngine(), custom.engine);

    const auto blankName = QCoro::waitFor(manager.addEngine(unnamed.path(), QStringLiteral("  ")));
    EXPECT_EQ(blankName.engine->name, "nameless-uci");
    EXPECT_EQ(blankName.engine->author, "");

    const QMap<QString, QString> chosen{{"Threads", "4"}, {"Style", "Risky"}};
    manager.updateEngineOptionValues(custom.engine->id, chosen);
    EXPECT_EQ(manager.selectedWhiteEngine()->optionValues, chosen);
    EXPECT_EQ(stored().value().first().optionValues, chosen);

    const auto again = QCoro::waitFor(manager.addEngine(named.path(), std::nullopt));
    EXPECT_EQ(again.engine->name, "Fake Engine");
    // What a person chose for this executable outlives adding it again.
    EXPECT_EQ(again.engine->optionValues, chosen);
    EXPECT_NE(again.engine->id, custom.engine->id);
    EXPECT_EQ(manager.availableEngines(), (QList{*again.engine, *blankName.engine}));
    // The replaced record's selection moved to the first engine of the list.
    EXPECT_EQ(manager.selectedWhiteEngine(), again.engine);
    EXPECT_EQ(stored(), manager.availableEngines());
}

} // namespace
} // namespace velkor

#pragma once

// A game manager, an engine registry without discovery and an automatch manager made on demand,
// with the sounds of the series recorded apart from the game's.
#include "FakeEngine.h"
#include "QStringPrinter.h"
#include "QtTestSupport.h"
#include "RecordingSleepBackend.h"
#include "RecordingSoundPlayer.h"
#include "automatch/AutomatchManager.h"

#include <gtest/gtest.h>
#include <memory>

namespace velkor::testing {

// Mate in one for White (Rd8#), for Black (Rd1#), and a position whose only move (Kxd2) leaves
// two bare kings.
inline const QString whiteMatesFEN = QStringLiteral("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
inline const QString blackMatesFEN = QStringLiteral("3r2k1/5ppp/8/8/8/8/5PPP/6K1 b - - 0 1");
inline const QString bareKingsFEN = QStringLiteral("8/8/8/4k3/8/8/3q4/3K4 w - - 0 1");

inline EngineManagerEnvironment registryWithoutDiscovery() {
    EngineManagerEnvironment environment;
    environment.searchPaths = EngineSearchPaths{};
    return environment;
}

class AutomatchTest : public ::testing::Test {
protected:
    AutomatchTest()
        : gameSounds(gamePlayer), engines(registryWithoutDiscovery()),
          sleepGuard(std::make_unique<RecordingSleepBackend>(sleepLog)),
          games(gameSounds, engines, sleepGuard), seriesSounds(seriesPlayer) {
        games.setTimeControlConfig(
            {TimeControlPreset::unlimited, 5, 3, EngineThinkingMode::fixedDepth(1)});
    }

    // Coroutines sleeping on the event loop (an engine turn's 0.2 s wait or its search, a
    // countdown step) run out before the process ends, so the leak checker finds none of them
    // stranded: the game is stopped first, which ends a search still waiting for its engine.
    void TearDown() override {
        games.stopCurrentGame();
        processEventsFor(std::chrono::milliseconds(250));
    }

    // A registry entry for an executable.
    static EngineConfiguration engineAt(const QString& name, const QString& path) {
        EngineConfiguration engine = EngineConfiguration::makeNew(name, path, "Velkor tests");
        engine.threads = 1;
        engine.hashMB = 16;
        engine.multiPV = 1;
        return engine;
    }

    // Without a path the history lives in the test process's own data folder.
    std::unique_ptr<AutomatchManager> makeManager(const QString& historyDatabase = {}) {
        return std::make_unique<AutomatchManager>(games, engines, seriesSounds, nullptr,
                                                  historyDatabase);
    }

    RecordingSoundPlayer gamePlayer;
    platform::SoundManager gameSounds;
    EngineManager engines;
    SleepLog sleepLog;
    platform::SleepGuard sleepGuard;
    GameManager games;
    RecordingSoundPlayer seriesPlayer;
    platform::SoundManager seriesSounds;
};

} // namespace velkor::testing

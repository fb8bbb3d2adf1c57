#pragma once

// Fresh controllers for the view tests: a game between two people (no engines are looked for or
// started), recorded sounds, a counting keep-awake backend and an English interface.
#include "QtTestSupport.h"
#include "RecordingSleepBackend.h"
#include "RecordingSoundPlayer.h"
#include "automatch/AutomatchManager.h"
#include "game/GameManager.h"
#include "localization/LocalizationManager.h"
#include "platform/SoundManager.h"
#include "uci/EngineManager.h"

#include <gtest/gtest.h>
#include <memory>

namespace velkor {

inline Square sq(const char* name) {
    return *Square::parse(name);
}

inline EngineManagerEnvironment noEngines() {
    EngineManagerEnvironment environment;
    environment.searchPaths = EngineSearchPaths{};
    return environment;
}

class ViewsTest : public ::testing::Test {
protected:
    ViewsTest()
        : sounds(player), engines(noEngines()),
          sleepGuard(std::make_unique<velkor::testing::RecordingSleepBackend>(sleepLog)),
          game(sounds, engines, sleepGuard), automatch(game, engines, sounds),
          localization(QStringList{QStringLiteral("en")}) {
        game.setGameMode(GameMode::humanVsHuman);
    }

    velkor::testing::RecordingSoundPlayer player;
    platform::SoundManager sounds;
    EngineManager engines;
    velkor::testing::SleepLog sleepLog;
    platform::SleepGuard sleepGuard;
    GameManager game;
    AutomatchManager automatch;
    LocalizationManager localization;
};

} // namespace velkor

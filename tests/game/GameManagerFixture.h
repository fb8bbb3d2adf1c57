#pragma once

// The game manager with a hand-moved clock, recorded sounds and a recording series observer,
// shared by the game-manager suites.
#include "ManualTime.h"
#include "QtTestSupport.h"
#include "RecordingSleepBackend.h"
#include "RecordingSoundPlayer.h"
#include "game/GameManager.h"

#include <gtest/gtest.h>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace velkor {

using platform::SoundEffect;
using velkor::testing::ManualTime;
using velkor::testing::RecordingSleepBackend;
using velkor::testing::SleepLog;
using velkor::testing::waitUntil;

class RecordingSeriesObserver : public GameSeriesObserver {
public:
    struct Call {
        GameEndReason reason;
        std::string fen;
        QString pgn;
        std::optional<QString> engineFailure;
    };

    bool isAutomatchActive() const override { return active; }
    void handleGameEnd(const GameEndReason& reason, const ChessBoard& board, const QString& pgn,
                       const std::optional<QString>& engineFailure) override {
        calls.push_back(Call{reason, board.fen(), pgn, engineFailure});
    }

    bool active = true;
    std::vector<Call> calls;
};

// A registry that finds no engine anywhere: tests select the engines they mean.
inline EngineManagerEnvironment engineFreeEnvironment() {
    EngineManagerEnvironment environment;
    environment.searchPaths = EngineSearchPaths{};
    return environment;
}

inline Square sq(const char* name) {
    return *Square::parse(name);
}

inline Move uciMove(const char* text) {
    return *Move::fromUci(text);
}

class GameManagerTest : public ::testing::Test {
protected:
    GameManagerTest()
        : sounds(player), engines(engineFreeEnvironment()),
          sleepGuard(std::make_unique<RecordingSleepBackend>(sleepLog)),
          manager(sounds, engines, sleepGuard) {
        manager.setTimeSource(time.source());
        manager.setSeriesObserver(&series);
        manager.setGameMode(GameMode::humanVsHuman);
    }

    void startGame(TimeControlPreset preset = TimeControlPreset::blitz5_3) {
        manager.setTimeControlConfig({preset, 5, 3, EngineThinkingMode::gameClock()});
        manager.startNewGame();
        ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    }

    // Play goes on from `fen` with the time control of the last game, once the clock runs.
    void playFrom(const char* fen) {
        manager.loadFEN(QString::fromLatin1(fen));
        ASSERT_TRUE(waitUntil([&] { return manager.clock().isRunning(); }));
    }

    void click(const char* square) { manager.handleSquareClick(sq(square)); }
    void move(const char* from, const char* to) {
        click(from);
        click(to);
    }
    // Sounds are posted to the event loop; wait until `count` have arrived.
    std::vector<SoundEffect> soundsOnceDelivered(std::size_t count) {
        waitUntil([&] { return player.played.size() >= count; }, std::chrono::seconds(2));
        return player.played;
    }
    std::optional<SoundEffect> lastSoundOnceDelivered(std::size_t count) {
        const std::vector<SoundEffect> played = soundsOnceDelivered(count);
        return played.empty() ? std::nullopt : std::optional(played.back());
    }

    ManualTime time;
    velkor::testing::RecordingSoundPlayer player;
    platform::SoundManager sounds;
    EngineManager engines;
    SleepLog sleepLog;
    platform::SleepGuard sleepGuard;
    RecordingSeriesObserver series;
    GameManager manager;
};

} // namespace velkor

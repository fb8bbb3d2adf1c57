#pragma once

// The game manager with fake UCI engines: scripts that answer each search with a chosen move, or
// misbehave on purpose. Shared by the engine suites of the game session.
#include "FakeEngine.h"
#include "GameManagerFixture.h"

#include <QStringList>
#include <chrono>
#include <thread>

namespace velkor {

using namespace std::chrono_literals;
using velkor::testing::FakeEngine;

// UCI_LimitStrength and a UCI_Elo range, as strength-capable engines announce them.
inline const QStringList strengthOptions{
    "option name UCI_LimitStrength type check default false",
    "option name UCI_Elo type spin default 1350 min 1350 max 2850"};

// Script lines that answer the searches in order: each with an evaluation (centipawns from the
// engine's side, or "mate N") and then the move. Later searches get no answer.
inline QString answering(const QList<std::pair<QString, QString>>& movesAndScores) {
    QString script;
    for (const auto& [move, score] : movesAndScores) {
        script += "once go\nsay info depth 5 score " + score + " pv " + move + "\nsay bestmove " +
                  move + "\n";
    }
    return script;
}

// Waits without running the event loop, so that nothing the main thread would do (a clock tick,
// applying an engine's answer) can happen meanwhile.
inline bool spinUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds timeout = 5s) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class EngineGameTest : public GameManagerTest {
protected:
    EngineGameTest() {
        options.handshakeTimeoutSeconds = 2.0;
        options.engineMovePause = 20ms;
        options.killGrace = 200ms;
        manager.setEngineSessionOptions(options);
    }

    // Every engine coroutine ends before the manager goes, so none outlives the test: a stopped
    // game ends their waits at once, and they return in the next steps of the event loop.
    ~EngineGameTest() override {
        manager.stopCurrentGame();
        velkor::testing::processEventsFor(20ms);
    }

    static EngineConfiguration engineAt(const FakeEngine& fake, const QString& name) {
        EngineConfiguration config = EngineConfiguration::makeNew(name, fake.path(), {});
        config.threads = 1;
        config.hashMB = 0;
        return config;
    }

    // A game against the fake engine, the user playing `human`, once the engine is ready.
    void playAgainst(const FakeEngine& fake, PieceColor human,
                     TimeControlPreset preset = TimeControlPreset::blitz5_3) {
        const EngineConfiguration config = engineAt(fake, QStringLiteral("Fake"));
        if (human == PieceColor::white) {
            engines.setSelectedBlackEngine(config);
        } else {
            engines.setSelectedWhiteEngine(config);
        }
        manager.setGameMode(GameMode::humanVsEngine);
        manager.setColorChoice(human == PieceColor::white ? PlayerColorChoice::white
                                                          : PlayerColorChoice::black);
        manager.setTimeControlConfig({preset, 5, 3, EngineThinkingMode::gameClock()});
        manager.startNewGame();
        // Not the running clock: an engine that moves first may have ended the game already.
        ASSERT_TRUE(waitUntil([&] { return !manager.hasEngineStartTask(); }));
    }

    // The two engines of an engine-against-engine game.
    void letEnginesPlay(const FakeEngine& white, const FakeEngine& black) {
        engines.setSelectedWhiteEngine(engineAt(white, QStringLiteral("White Fake")));
        engines.setSelectedBlackEngine(engineAt(black, QStringLiteral("Black Fake")));
        manager.setGameMode(GameMode::engineVsEngine);
    }

    void changeOptions(const std::function<void(EngineSessionOptions&)>& change) {
        change(options);
        manager.setEngineSessionOptions(options);
    }

    bool received(const FakeEngine& fake, const QString& command) {
        return waitUntil([&] { return fake.receivedCommands().contains(command); }, 5s);
    }

    EngineSessionOptions options;
};

} // namespace velkor

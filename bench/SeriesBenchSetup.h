#pragma once

// What the series benches share: a session with silent sounds, a registry that finds no engines
// by itself, and one engine set up twice to play itself.
#include "automatch/AutomatchManager.h"
#include "platform/SoundPlayer.h"

#include <QUuid>
#include <utility>

namespace velkor::bench {

class SilentPlayer : public platform::SoundPlayer {
public:
    void play(platform::SoundEffect) override {}
};

// The program's parts for a series, wired as the window wires them; none of them may move.
struct SeriesSession {
    SilentPlayer player;
    platform::SoundManager sounds{player};
    EngineManager engines{[] {
        // The series brings its own two configurations.
        EngineManagerEnvironment environment;
        environment.searchPaths = EngineSearchPaths{};
        return environment;
    }()};
    GameManager games{sounds, engines};
    AutomatchManager series{games, engines, sounds};
};

// Two configurations of the engine at `enginePath`, one thread and 16 MB each, one line.
inline std::pair<EngineConfiguration, EngineConfiguration> selfPlay(const QString& enginePath) {
    EngineConfiguration first = EngineConfiguration::makeNew("Engine A", enginePath, {});
    first.threads = 1;
    first.hashMB = 16;
    first.multiPV = 1;
    EngineConfiguration second = first;
    second.id = QUuid::createUuid();
    second.name = QStringLiteral("Engine B");
    return {first, second};
}

} // namespace velkor::bench

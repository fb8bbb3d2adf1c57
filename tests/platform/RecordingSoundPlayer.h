#pragma once

#include "platform/SoundPlayer.h"

#include <QThread>
#include <vector>

namespace velkor::testing {

// Records every effect it is asked to play, and on which thread, in order.
class RecordingSoundPlayer : public platform::SoundPlayer {
public:
    void play(platform::SoundEffect effect) override {
        played.push_back(effect);
        threads.push_back(QThread::currentThread());
    }

    std::vector<platform::SoundEffect> played;
    std::vector<QThread*> threads;
};

} // namespace velkor::testing

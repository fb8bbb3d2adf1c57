#pragma once

#include "SoundPlayer.h"

class QObject;

// The sound module's entry point: a QSoundEffect player owned by `parent`.
extern "C" {
using VelkorCreateSoundPlayer = velkor::platform::SoundPlayer* (*)(QObject* parent);
}

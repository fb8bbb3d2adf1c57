#pragma once

#include "UpdateHooks.h"

// The update module's entry point: fills `hooks` with the update controller's hooks.
extern "C" {
using VelkorMakeUpdateHooks = void (*)(velkor::UpdateHooks* hooks);
}

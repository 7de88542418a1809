// What the simulated camera shows to tests: a "key value" status text (current
// address, control holder, heartbeat timeout, counts of commands by kind, last
// IP configuration written, restarts, flash progress) and the atomic file
// writes (temporary file, then rename) that publish it and the persisted state.
#pragma once

#include <optional>
#include <string>

#include "simulator/device_state.h"
#include "simulator/flash_handler.h"

namespace sim {

std::string statusText(const DeviceState& state, const FlashState& flash, bool restarting);

}  // namespace sim

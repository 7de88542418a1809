// What the simulated camera shows to tests: a "key value" status text (current
// address, control holder, heartbeat timeout, counts of commands by kind, last
// IP configuration written, restarts, flash progress), published whole
// (os/whole_file.h) beside the persisted state.
#pragma once

#include <string>

#include "simulator/device_state.h"
#include "simulator/flash_handler.h"

namespace sim {

std::string statusText(const DeviceState& state, const FlashState& flash, bool restarting);

}  // namespace sim

// The parts of the register space that depend on the camera's Features: the
// GVCP capability bits announcing the optional registers, the values of those
// registers (primary application, link speed, GVCP configuration, pending
// timeout), whether the serial-number and user-defined-name areas exist, and
// which registers a device keeps in flash. Pure; owned by the event loop.
#pragma once

#include <cstdint>
#include <optional>

#include "simulator/device_state.h"

namespace sim {

uint32_t gvcpCapabilities(const Features& features);

// The value of an optional register the camera has; nullopt for any other
// address, and for one the camera lacks.
std::optional<uint32_t> optionalRegister(const DeviceState& state, uint32_t address);

// Whether the text area starting at `areaAddress` exists (only the serial
// number and the user-defined name may be missing).
bool textAreaPresent(const Features& features, uint32_t areaAddress);

// Whether a write at this register address is stored in flash: the
// persistent address, mask and gateway, the IP configuration and each word of
// the user-defined name.
bool keptInFlash(uint32_t address);

}  // namespace sim

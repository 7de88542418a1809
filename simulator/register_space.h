// The camera's bootstrap register space as a device presents it, and the
// Control Channel Privilege rules. Every function works on a DeviceState and
// returns a GVCP status (0 success, 0x8003 unknown address, 0x8004 read-only,
// 0x8005 misaligned, 0x8006 another host holds control); nothing here does I/O.
// Text areas are memory read big-endian word by word, like any register.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "simulator/device_state.h"

namespace sim {

enum class Access { kRead, kWrite };

// Drops control when its holder has been silent longer than the heartbeat
// timeout. Returns true when control lapsed just now.
bool expireControl(DeviceState& state, uint64_t nowMs);

// Whether `peer` may read or write now (after expiring a silent holder);
// refreshes the holder's heartbeat when the holder speaks.
uint16_t checkAccess(DeviceState& state, const Peer& peer, Access access, uint64_t nowMs);

// What a write does beyond storing a value.
struct WriteEffect {
  bool reboot = false;
};

uint16_t readRegister(const DeviceState& state, uint32_t address, uint32_t* value);
// `effect` must not be null; it tells the caller to restart the camera.
uint16_t writeRegister(DeviceState& state, const Peer& peer, uint32_t address, uint32_t value,
                       uint64_t nowMs, WriteEffect* effect);
uint16_t readMemory(const DeviceState& state, uint32_t address, uint32_t count,
                    std::vector<uint8_t>* out);
uint16_t writeMemory(DeviceState& state, uint32_t address, std::span<const uint8_t> data);

}  // namespace sim

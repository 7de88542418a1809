// The camera's bootstrap register space as a device presents it, and the
// Control Channel Privilege rules. Every function works on a DeviceState and
// returns a GVCP status (0 success, 0x8003 unknown address, 0x8004 read-only,
// 0x8005 misaligned, 0x8006 refused by the privilege rules); nothing here does
// I/O. Text areas (identity, the description URLs, the device description
// itself) are memory read big-endian word by word, like any register.
#pragma once

#include <cstddef>
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

// Strict privilege: while nobody holds control, a write of `bytes` at
// `address` is refused unless it is the privilege register alone (taking
// control). Lenient privilege accepts it. Call after checkAccess.
uint16_t checkUncontrolledWrite(const DeviceState& state, uint32_t address, size_t bytes);

// What a write does beyond storing a value.
struct WriteEffect {
  bool reboot = false;
  bool storedInFlash = false;  // a register kept in flash was written (optional_registers.h)
};

uint16_t readRegister(const DeviceState& state, uint32_t address, uint32_t* value);
// `effect` must not be null; it tells the caller to restart the camera.
uint16_t writeRegister(DeviceState& state, const Peer& peer, uint32_t address, uint32_t value,
                       uint64_t nowMs, WriteEffect* effect);
uint16_t readMemory(const DeviceState& state, uint32_t address, uint32_t count,
                    std::vector<uint8_t>* out);
// Text areas take only the user-defined name; over registers each word is
// written as by writeRegister, stopping at the first refusal.
uint16_t writeMemory(DeviceState& state, const Peer& peer, uint32_t address,
                     std::span<const uint8_t> data, uint64_t nowMs, WriteEffect* effect);

}  // namespace sim

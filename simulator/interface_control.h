// The thin OS seam of the simulator: the interface's MAC and the address on
// it. Address changes run the `ip` program (fork/exec, no shell) inside the
// simulator's own network namespace. Results: true / a value on success, false
// / nullopt on any failure; nothing is thrown.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "simulator/device_state.h"

namespace sim {

std::optional<std::array<uint8_t, 6>> interfaceMac(const std::string& ifname);

// Replaces every IPv4 address of `ifname` by `settings` (none when its ip is
// 0) and brings the link up.
bool setInterfaceAddress(const std::string& ifname, const IpSettings& settings);

// Number of leading one bits of a register-form mask (24 for 255.255.255.0).
int prefixLength(uint32_t mask);

}  // namespace sim

// After a restart request: the address a camera is expected to come back at,
// from its IP configuration (persistent IP with a stored address wins, then
// DHCP, then LLA, as a camera tries them), and whether the address it came
// back at fits. Addresses are host-order register values. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace cli {

inline constexpr uint32_t kLinkLocalNet = 0xA9FE0000;  // 169.254.0.0/16
inline constexpr uint32_t kLinkLocalMask = 0xFFFF0000;

// Empty when `cameBackAt` is what `config` (the current configuration
// register) and `persistentIp` lead one to expect; else a sentence saying
// what was expected.
std::optional<std::string> unexpectedReturn(uint32_t config, uint32_t persistentIp,
                                            uint32_t cameBackAt);

}  // namespace cli

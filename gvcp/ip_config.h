// The three IP-configuration bits of the supported (0x0010) and current
// (0x0014) configuration registers, with their names, in the one order every
// listing uses: persistent, DHCP, LLA. Bits above 0x4 are ignored. Pure.
// `label` padded to the widest label plus one is the column the dialogue's
// blocks print before their flags.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gvcp/registers.h"

namespace gvcp {

struct IpConfigBit {
  uint32_t bit;
  const char* name;   // for scripts and tables: "persistent", "dhcp", "lla"
  const char* label;  // for the dialogue: "Persistent IP", "DHCP", "LLA"
};

inline constexpr std::array<IpConfigBit, 3> kIpConfigBits = {{
    {gvcp::Registers::kIpConfigPersistent, "persistent", "Persistent IP"},
    {gvcp::Registers::kIpConfigDhcp, "dhcp", "DHCP"},
    {gvcp::Registers::kIpConfigLla, "lla", "LLA"},
}};

// 'Y' when `bit` is set in `word`, 'N' when clear, and '?' when the register
// could not be read: the camera's state is then unknown, and 'N' would claim
// that nothing is enabled.
inline constexpr char kUnknownFlag = '?';
inline char ipConfigFlag(std::optional<uint32_t> word, uint32_t bit) {
  if (!word) return kUnknownFlag;
  return (*word & bit) != 0 ? 'Y' : 'N';
}

// The names of the bits set in `word`, in table order.
std::vector<std::string> ipConfigNames(uint32_t word);
// Those names joined by '+' ("persistent+lla"), or "-" when no bit is set.
std::string modeText(uint32_t word);

}  // namespace gvcp

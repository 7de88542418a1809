// The three IP-configuration bits of the supported (0x0010) and current
// (0x0014) configuration registers, with their names, in the one order every
// listing uses: persistent, DHCP, LLA. Bits above 0x4 are ignored. Pure.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct IpConfigBit {
  uint32_t bit;
  const char* name;   // for scripts and tables: "persistent", "dhcp", "lla"
  const char* label;  // for the dialogue: "Persistent IP", "DHCP", "LLA"
};

inline constexpr std::array<IpConfigBit, 3> kIpConfigBits = {{
    {0x1, "persistent", "Persistent IP"},
    {0x2, "dhcp", "DHCP"},
    {0x4, "lla", "LLA"},
}};

// 'Y' when `bit` is set in `word`, else 'N'.
inline char ipConfigFlag(uint32_t word, uint32_t bit) { return (word & bit) != 0 ? 'Y' : 'N'; }

// The names of the bits set in `word`, in table order.
std::vector<std::string> ipConfigNames(uint32_t word);

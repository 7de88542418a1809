#include "gvcp/ip_config.h"

std::vector<std::string> ipConfigNames(uint32_t word) {
  std::vector<std::string> names;
  for (const IpConfigBit& entry : kIpConfigBits) {
    if ((word & entry.bit) != 0) names.emplace_back(entry.name);
  }
  return names;
}

#include "gvcp/ip_config.h"

std::vector<std::string> gvcp::ipConfigNames(uint32_t word) {
  std::vector<std::string> names;
  for (const gvcp::IpConfigBit& entry : gvcp::kIpConfigBits) {
    if ((word & entry.bit) != 0) names.emplace_back(entry.name);
  }
  return names;
}

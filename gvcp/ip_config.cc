#include "gvcp/ip_config.h"

std::vector<std::string> gvcp::ipConfigNames(uint32_t word) {
  std::vector<std::string> names;
  for (const gvcp::IpConfigBit& entry : gvcp::kIpConfigBits) {
    if ((word & entry.bit) != 0) names.emplace_back(entry.name);
  }
  return names;
}

std::string gvcp::modeText(uint32_t word) {
  std::string text;
  for (const std::string& name : ipConfigNames(word)) text += (text.empty() ? "" : "+") + name;
  return text.empty() ? "-" : text;
}

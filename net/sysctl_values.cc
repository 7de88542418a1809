#include "net/sysctl_values.h"

#include <fstream>

std::optional<long> readProcSys(const std::string& path) {
  std::ifstream file("/proc/sys/" + path);
  long value = 0;
  if (!(file >> value)) return std::nullopt;
  return value;
}

// The interface name is one path element: a name with a dot (a VLAN, eth0.100)
// keeps it.
std::optional<long> rpFilterOf(const std::string& interface) {
  if (interface.empty() || interface.find('/') != std::string::npos) return std::nullopt;
  return readProcSys("net/ipv4/conf/" + interface + "/rp_filter");
}

std::optional<long> rmemMax() { return readProcSys("net/core/rmem_max"); }

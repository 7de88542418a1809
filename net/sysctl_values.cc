#include "net/sysctl_values.h"

#include <fstream>
#include <sstream>
#include <vector>

namespace net {

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
std::optional<long> netdevMaxBacklog() { return readProcSys("net/core/netdev_max_backlog"); }

NeighbourThresholds neighbourThresholds() {
  const std::string base = "net/ipv4/neigh/default/gc_thresh";
  return {readProcSys(base + "1"), readProcSys(base + "2"), readProcSys(base + "3")};
}

namespace {

std::vector<std::string> words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> found;
  for (std::string word; in >> word;) found.push_back(word);
  return found;
}

}  // namespace

// The file gives a line of names and then a line of values for each protocol.
// /proc/net shows the namespace of the process's first thread; thread-self
// the caller's.
std::optional<long> udpReceiveBufferErrors() {
  std::ifstream file("/proc/thread-self/net/snmp");
  for (std::string names, values; std::getline(file, names);) {
    if (names.rfind("Udp: ", 0) != 0 || !std::getline(file, values)) continue;
    const std::vector<std::string> name = words(names);
    const std::vector<std::string> value = words(values);
    for (size_t i = 1; i < name.size() && i < value.size(); ++i) {
      long number = 0;
      if (name[i] == "RcvbufErrors" && std::istringstream(value[i]) >> number) return number;
    }
  }
  return std::nullopt;
}

std::optional<long> backlogDrops() {
  std::ifstream file("/proc/net/softnet_stat");
  std::optional<long> total;
  // One line a CPU, in hex: frames processed, frames dropped, then others.
  for (std::string processed, dropped, rest; file >> processed >> dropped;) {
    std::getline(file, rest);
    long number = 0;
    if (!(std::istringstream(dropped) >> std::hex >> number)) return std::nullopt;
    total = total.value_or(0) + number;
  }
  return total;
}

}  // namespace net

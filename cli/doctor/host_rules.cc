#include "cli/doctor/host_rules.h"

#include <algorithm>
#include <set>

#include "cli/doctor/diagnosis.h"
#include "net/macaddress.h"

namespace cli {

namespace {

constexpr const char* kStreamingOnly = "; this concerns image streaming, not this tool";

// Each interface once, though it may hold several adapters (addresses).
std::vector<const AdapterFacts*> interfacesWithLink(const DoctorFacts& facts) {
  std::vector<const AdapterFacts*> found;
  std::set<std::string> names;
  for (const AdapterFacts& adapter : facts.adapters) {
    if (adapter.link && names.insert(adapter.view.name).second) found.push_back(&adapter);
  }
  return found;
}

void slowLinkFindings(const RuleInput& input, const AdapterFacts& adapter,
                      std::vector<Finding>& out) {
  const LinkFacts& link = *adapter.link;
  if (!link.speedMbps || *link.speedMbps >= kGigabitMbps) return;
  for (const CameraFacts& c : input.facts.cameras) {
    if (adapterOf(c) != adapter.view.name) continue;
    out.push_back({check::kLink, Level::kWarn, adapter.view.name, macText(c.view.mac),
                   "the camera answers on a " + std::to_string(*link.speedMbps) +
                       " Mb/s link; a GigE Vision camera needs 1000 Mb/s: check the cable, the "
                       "switch port and the adapter",
                   ""});
  }
}

}  // namespace

void linkRule(const RuleInput& input, std::vector<Finding>& out) {
  for (const AdapterFacts* adapter : interfacesWithLink(input.facts)) {
    const std::string& name = adapter->view.name;
    if (!adapter->link->up) {
      out.push_back({check::kLink, Level::kFail, name, "",
                     name + " is down: no discovery runs on it and its cameras cannot be reached",
                     "ip link set " + shellWord(name) + " up"});
    } else if (!adapter->link->carrier) {
      out.push_back({check::kLink, Level::kFail, name, "",
                     name + " has no carrier: check its cable and the switch or camera at the "
                            "other end",
                     ""});
    } else {
      slowLinkFindings(input, *adapter, out);
    }
  }
}

void mtuRule(const RuleInput& input, std::vector<Finding>& out) {
  for (const AdapterFacts* adapter : interfacesWithLink(input.facts)) {
    const LinkFacts& link = *adapter->link;
    const std::string& name = adapter->view.name;
    if (!hasCameras(input.facts, name) || link.mtu >= kJumboMtu || !link.maxMtu ||
        *link.maxMtu <= link.mtu) {
      continue;
    }
    const unsigned wanted = std::min(kJumboMtu, *link.maxMtu);
    out.push_back({check::kMtu, Level::kInfo, name, "",
                   "MTU " + std::to_string(link.mtu) + ", the adapter takes up to " +
                       std::to_string(*link.maxMtu) + ": image streams want jumbo frames (" +
                       std::to_string(kJumboMtu) + ")" + kStreamingOnly,
                   "ip link set " + shellWord(name) + " mtu " + std::to_string(wanted)});
  }
}

void rmemRule(const RuleInput& input, std::vector<Finding>& out) {
  const std::optional<long>& rmem = input.facts.rmemMax;
  if (input.facts.cameras.empty() || !rmem || *rmem >= kStreamingRmemBytes) return;
  const std::string wanted = std::to_string(kStreamingRmemBytes);
  out.push_back({check::kRmem, Level::kInfo, "", "",
                 "net.core.rmem_max is " + std::to_string(*rmem) +
                     " bytes: an image stream's receive buffer wants " + wanted + kStreamingOnly,
                 "sysctl -w net.core.rmem_max=" + wanted});
}

void privilegeRule(const RuleInput& input, std::vector<Finding>& out) {
  if (input.facts.linkLevelRan) return;
  out.push_back({check::kPrivilege, Level::kWarn, "", "",
                 "no privilege to open a packet socket: answers were received by ordinary UDP "
                 "only, so cameras whose answers this host drops are missing, and the checks "
                 "rp_filter and firewall were skipped; grant the privilege, or run as root",
                 "setcap cap_net_raw+p " + shellWord(input.facts.programPath)});
}

}  // namespace cli

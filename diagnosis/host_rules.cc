#include "diagnosis/host_rules.h"

#include <algorithm>
#include <map>
#include <set>

#include "diagnosis/diagnosis.h"
#include "gvcp/camera_discovery.h"
#include "net/macaddress.h"

namespace diagnosis {

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
  const net::LinkFacts& link = *adapter.link;
  if (!link.speedMbps || *link.speedMbps >= kGigabitMbps) return;
  for (const CameraFacts& c : input.facts.cameras) {
    if (adapterOf(c) != adapter.view.name) continue;
    out.push_back({CheckName::kLink, Level::kWarn, adapter.view.name, net::macText(c.view.mac),
                   "the camera answers on a " + std::to_string(*link.speedMbps) +
                       " Mb/s link; a GigE Vision camera needs 1000 Mb/s: check the cable, the "
                       "switch port and the adapter",
                   ""});
  }
}

// The number of cameras that answered on the adapter with the most of them.
long busiestLink(const DoctorFacts& facts) {
  std::map<std::string, long> perAdapter;
  long most = 0;
  for (const CameraFacts& c : facts.cameras) most = std::max(most, ++perAdapter[adapterOf(c)]);
  return most;
}

// Two requests' answers queued at once: a re-sent request may draw the second
// burst before the first is read.
constexpr long kBurstsQueued = 2;

std::string rmemFix(long needed) {
  return "sysctl -w net.core.rmem_max=" +
         std::to_string(std::max<long>(gvcp::kCaptureBufferBytes, needed));
}

// Entries of one link kept below the collection thresholds with the headroom
// of the kernel's own defaults: the table is shared by every namespace and
// also holds the link's other stations.
constexpr long kThresholdHeadroom[] = {1, 2, 4};

// The input backlog a burst of answers wants. The answers are one frame a
// camera, but the queue is shared with all else the host takes in at that
// moment (on the test bed, the IPv6 link-up messages of 300 idle stations on
// one bridge alone overflowed the default 1000 for seconds): room for 20
// frames a camera, never less than twice what the host has.
std::string backlogFix(long cameras, std::optional<long> backlog) {
  const long wanted = std::max(20 * cameras, 2 * backlog.value_or(1000));
  return "sysctl -w net.core.netdev_max_backlog=" + std::to_string(wanted);
}

// The count is the whole host's, so the frames lost need not be answers:
// information, not a warning.
void backlogFinding(const DoctorFacts& facts, long cameras, std::vector<Finding>& out) {
  const long dropped = facts.backlogDropsDuringDiscovery.value_or(0);
  if (dropped <= 0) return;
  const std::string limit =
      facts.netdevMaxBacklog ? " " + std::to_string(*facts.netdevMaxBacklog) : "";
  out.push_back({CheckName::kAnswerBuffer, Level::kInfo, "", "",
                 "the host dropped " + std::to_string(dropped) +
                     " frames for a full input backlog (net.core.netdev_max_backlog" + limit +
                     ") while the discovery listened: cameras that are missing may be among them",
                 backlogFix(cameras, facts.netdevMaxBacklog)});
}

}  // namespace

void answerBufferRule(const RuleInput& input, std::vector<Finding>& out) {
  const DoctorFacts& facts = input.facts;
  const long cameras = busiestLink(facts);
  const long needed = gvcp::receiveBufferFor(kBurstsQueued * cameras);
  const bool lowCeiling = facts.rmemMax && *facts.rmemMax < needed;
  if (lowCeiling) {
    out.push_back({CheckName::kAnswerBuffer, Level::kWarn, "", "",
                   "net.core.rmem_max is " + std::to_string(*facts.rmemMax) + " bytes: the " +
                       std::to_string(cameras) + " cameras on one adapter need " +
                       std::to_string(needed) +
                       " in each receive buffer, beyond it the kernel drops their answers",
                   rmemFix(needed)});
  }
  backlogFinding(facts, cameras, out);
  const long dropped = facts.droppedDuringDiscovery.value_or(0);
  if (dropped <= 0) return;
  out.push_back({CheckName::kAnswerBuffer, Level::kWarn, "", "",
                 "the kernel dropped " + std::to_string(dropped) +
                     " UDP datagrams for a full receive buffer while the discovery listened, so "
                     "cameras may be missing" +
                     (lowCeiling ? "" : "; the host was too busy to read them: run it again"),
                 lowCeiling ? rmemFix(needed) : ""});
}

void neighbourTableRule(const RuleInput& input, std::vector<Finding>& out) {
  const long cameras = busiestLink(input.facts);
  const net::NeighbourThresholds& t = input.facts.neighbour;
  const std::optional<long> have[] = {t.gc1, t.gc2, t.gc3};
  bool tooLow = false;
  std::string found;
  std::string fix = "sysctl -w";
  for (size_t i = 0; i < std::size(have); ++i) {
    const long wanted = kThresholdHeadroom[i] * cameras;
    const std::string name = "net.ipv4.neigh.default.gc_thresh" + std::to_string(i + 1);
    // gc_thresh1 only starts collection of entries long unused: no loss.
    tooLow = tooLow || (i > 0 && have[i] && *have[i] < wanted);
    found += (i > 0 ? "/" : "") + (have[i] ? std::to_string(*have[i]) : std::string("?"));
    fix += " " + name + "=" + std::to_string(std::max(have[i].value_or(0), wanted));
  }
  if (!tooLow) return;
  out.push_back({CheckName::kNeighbourTable, Level::kWarn, "", "",
                 "the neighbour table's thresholds gc_thresh1/2/3 are " + found + " for " +
                     std::to_string(cameras) +
                     " cameras on one link: beyond gc_thresh2 entries are collected early and "
                     "beyond gc_thresh3 refused, so answers and reads wait on ARP or are lost",
                 fix});
}

void linkRule(const RuleInput& input, std::vector<Finding>& out) {
  for (const AdapterFacts* adapter : interfacesWithLink(input.facts)) {
    const std::string& name = adapter->view.name;
    if (!adapter->link->up) {
      out.push_back({CheckName::kLink, Level::kFail, name, "",
                     name + " is down: no discovery runs on it and its cameras cannot be reached",
                     "ip link set " + shellWord(name) + " up"});
    } else if (!adapter->link->carrier) {
      out.push_back({CheckName::kLink, Level::kFail, name, "",
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
    const net::LinkFacts& link = *adapter->link;
    const std::string& name = adapter->view.name;
    if (!hasCameras(input.facts, name) || link.mtu >= kJumboMtu || !link.maxMtu ||
        *link.maxMtu <= link.mtu) {
      continue;
    }
    const unsigned wanted = std::min(kJumboMtu, *link.maxMtu);
    out.push_back({CheckName::kMtu, Level::kInfo, name, "",
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
  out.push_back({CheckName::kRmem, Level::kInfo, "", "",
                 "net.core.rmem_max is " + std::to_string(*rmem) +
                     " bytes: an image stream's receive buffer wants " + wanted + kStreamingOnly,
                 "sysctl -w net.core.rmem_max=" + wanted});
}

void privilegeRule(const RuleInput& input, std::vector<Finding>& out) {
  if (input.facts.linkLevelRan) return;
  out.push_back({CheckName::kPrivilege, Level::kWarn, "", "",
                 "no privilege to open a packet socket: answers were received by ordinary UDP "
                 "only, so cameras whose answers this host drops are missing, and the checks "
                 "rp_filter and firewall were skipped; grant the privilege, or run as root",
                 "setcap cap_net_raw+p " + shellWord(input.facts.programPath)});
}

}  // namespace diagnosis

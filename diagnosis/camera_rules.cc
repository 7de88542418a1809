#include "diagnosis/camera_rules.h"

#include <algorithm>

#include "diagnosis/diagnosis.h"
#include "gvcp/gvcp_protocol.h"
#include "net/macaddress.h"

namespace diagnosis {

namespace {

// rp_filter values: 1 strict, 2 loose; the kernel applies the larger of the
// host-wide value and the interface's own.
constexpr long kRpStrict = 1;
constexpr long kRpLoose = 2;

long effectiveRpFilter(const DoctorFacts& facts, const std::string& adapter) {
  const AdapterFacts* own = adapterFacts(facts, adapter);
  const long ownValue = own != nullptr ? own->rpFilter.value_or(0) : 0;
  return std::max(facts.rpFilterAll.value_or(0), ownValue);
}

// Its answers reached the link but no UDP socket. A camera at one of this
// host's addresses is left to address_conflict: the kernel drops such
// answers whatever its settings.
bool missedByUdp(const RuleInput& input, size_t i) {
  const CameraFacts& c = input.facts.cameras[i];
  return c.seenAtLinkLevel && !c.seenByUdp && !input.sharing[i].hostAddress;
}

bool reversePathDrops(const CameraFacts& c, long rpFilter) {
  if (c.view.ip.isZero()) return false;  // answers from 0.0.0.0 are not checked
  if (rpFilter == kRpStrict) {
    return c.route.kind != net::RouteKind::kThrough || c.routeInterface != adapterOf(c);
  }
  return rpFilter >= kRpLoose && c.route.kind == net::RouteKind::kNoRoute;
}

// sysctl's key of an interface's setting: a dot inside the name becomes '/'.
std::string interfaceKey(std::string name) {
  std::replace(name.begin(), name.end(), '.', '/');
  return "net.ipv4.conf." + name + ".rp_filter";
}

// Loose filtering lets the answers through where some route leads back to
// the camera; with none, only switching the filter off does.
std::string reversePathFix(const DoctorFacts& facts, const CameraFacts& c) {
  const long wanted = c.route.kind == net::RouteKind::kThrough ? kRpLoose : 0;
  const std::string value = "=" + std::to_string(wanted);
  std::string fix = "sysctl -w " + shellWord(interfaceKey(adapterOf(c)) + value);
  if (facts.rpFilterAll.value_or(0) > wanted) fix += " net.ipv4.conf.all.rp_filter" + value;
  return fix;
}

Finding about(const char* id, Level level, const CameraFacts& c, std::string message,
              std::string fix = "") {
  return {id, level, adapterOf(c), net::macText(c.view.mac), std::move(message), std::move(fix)};
}

}  // namespace

void reversePathRule(const RuleInput& input, std::vector<Finding>& out) {
  for (size_t i = 0; i < input.facts.cameras.size(); ++i) {
    const CameraFacts& c = input.facts.cameras[i];
    const long rp = effectiveRpFilter(input.facts, adapterOf(c));
    if (!missedByUdp(input, i) || !reversePathDrops(c, rp)) continue;
    const std::string kind = rp == kRpStrict ? "strict" : "loose";
    const std::string why =
        rp == kRpStrict ? "whose route back leaves elsewhere" : "to which no route leads";
    out.push_back(about(CheckName::kRpFilter, Level::kFail, c,
                        kind + " reverse-path filtering (rp_filter " + std::to_string(rp) +
                            ") on " + adapterOf(c) + " drops answers from " + c.view.ip.text() +
                            ", " + why + ": applications receiving by UDP never see this camera",
                        reversePathFix(input.facts, c)));
  }
}

void firewallRule(const RuleInput& input, std::vector<Finding>& out) {
  for (size_t i = 0; i < input.facts.cameras.size(); ++i) {
    const CameraFacts& c = input.facts.cameras[i];
    if (!missedByUdp(input, i) || reversePathDrops(c, effectiveRpFilter(input.facts, adapterOf(c))))
      continue;
    out.push_back(about(CheckName::kFirewall, Level::kFail, c,
                        "answers from " + c.view.ip.text() + " arrive on " + adapterOf(c) +
                            " but reach no UDP socket, and reverse-path filtering is not why: a "
                            "firewall rule drops them; allow UDP from source port " +
                            std::to_string(gvcp::kPort) + " on " + adapterOf(c)));
  }
}

void subnetRule(const RuleInput& input, std::vector<Finding>& out) {
  for (const CameraFacts& c : input.facts.cameras) {
    if (c.view.reachable || !c.view.adapter) continue;
    const std::string where = c.view.ip.isZero()
                                  ? "has no address (0.0.0.0)"
                                  : "answers at " + c.view.ip.text() + ", outside " + adapterOf(c) +
                                        "'s subnet " + subnetText(*c.view.adapter);
    out.push_back(about(CheckName::kSubnet, Level::kFail, c,
                        where +
                            ": unreachable until it has an address there; to keep the one "
                            "force-ip reports, nuv-ipconfig set " +
                            net::macText(c.view.mac) + " --mode persistent --ip ADDRESS --mask " +
                            c.view.adapter->mask.text(),
                        forceIpFix(c)));
  }
}

void addressConflictRule(const RuleInput& input, std::vector<Finding>& out) {
  for (size_t i = 0; i < input.facts.cameras.size(); ++i) {
    const CameraFacts& c = input.facts.cameras[i];
    const device::AddressSharing& sharing = input.sharing[i];
    std::string message;
    if (!sharing.sharesWith.empty()) {
      std::string others;
      for (const auto& mac : sharing.sharesWith)
        others += (others.empty() ? "" : ", ") + net::macText(mac);
      message = "answers at " + c.view.ip.text() + " like " + others +
                ": unicast to that address reaches whichever answers ARP first";
    } else if (sharing.hostAddress) {
      message = "answers at " + c.view.ip.text() +
                ", an address of this host: the host drops its answers as its own";
    } else {
      continue;
    }
    out.push_back(about(CheckName::kAddressConflict, Level::kFail, c, message, forceIpFix(c)));
  }
}

void sharedSubnetRule(const RuleInput& input, std::vector<Finding>& out) {
  const std::vector<CameraFacts>& cameras = input.facts.cameras;
  for (const CameraFacts& c : cameras) {
    if (!c.view.reachable || c.route.kind != net::RouteKind::kThrough ||
        c.routeInterface == adapterOf(c))
      continue;
    // Answering on the adapter the route names too, the camera is reached there.
    const bool alsoThere = std::any_of(cameras.begin(), cameras.end(), [&](const CameraFacts& o) {
      return o.view.mac == c.view.mac && adapterOf(o) == c.routeInterface;
    });
    if (alsoThere) continue;
    const std::string ip = c.view.ip.text();
    out.push_back(about(CheckName::kSharedSubnet, Level::kWarn, c,
                        "the camera answered on " + adapterOf(c) + ", but unicast to " + ip +
                            " leaves through " + c.routeInterface +
                            ", which the routing table "
                            "names first for " +
                            subnetText(*c.view.adapter) + ": other applications cannot reach it",
                        "ip route replace " + ip + "/32 dev " + shellWord(adapterOf(c))));
  }
}

void controlRule(const RuleInput& input, std::vector<Finding>& out) {
  for (const CameraFacts& c : input.facts.cameras) {
    const ControlFacts& control = c.control;
    std::string message;
    if (control.read == ControlRead::kRead && control.ccp != 0) {
      message = "held by another application";
      if (control.holderIp && control.holderPort) {
        message +=
            " at " + control.holderIp->text() + " port " + std::to_string(*control.holderPort);
      }
      message += " (CCP " + std::to_string(control.ccp) +
                 "): nothing else can configure it until that application gives control back or "
                 "stops its heartbeat";
    } else if (control.read == ControlRead::kDenied) {
      message = "refuses even register reads: another application holds exclusive access";
    } else if (control.read == ControlRead::kFailed) {
      message = "the read of its control register failed: " + control.failure;
    } else {
      continue;
    }
    out.push_back(about(CheckName::kControl, Level::kWarn, c, message));
  }
}

}  // namespace diagnosis

// The decisions of FORCEIP for one camera, apart from the network: check the
// request against the adapter the camera was found on, probe the address (or
// pick one with --ip auto), send FORCEIP, and confirm by a discovery where the
// camera answers. A ForceIpPort does the talking (device/force_ip_port.h over
// the network; tests use a script). FORCEIP is a broadcast by MAC: no control
// of the camera is taken, so a stop request simply ends the flow between
// steps. Addresses are net::Ipv4. Prints nothing; the outcome
// carries what the front end words. The caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "gvcp/status.h"
#include "net/arp_probe.h"
#include "net/ipv4.h"

namespace device {

// What the network does for the flow.
class ForceIpPort {
 public:
  virtual ~ForceIpPort() = default;
  // An ARP probe of `ip` on the camera's adapter; the camera itself may
  // answer for the address it holds without counting as another station.
  virtual net::ProbeResult probe(net::Ipv4 ip) = 0;
  // FORCEIP for the camera through its adapter, waiting for the acknowledge.
  virtual gvcp::Status force(net::Ipv4 ip, net::Ipv4 mask, net::Ipv4 gateway) = 0;
  // Discoveries on the camera's adapter until the camera answers from `ip`,
  // at most the discovery window: `ip` then, else an address it answered
  // from within the window (its old one, say), if any.
  virtual std::optional<net::Ipv4> whereAnswers(net::Ipv4 ip) = 0;
};

struct ForceIpPlan {
  std::string mac;  // the camera's, lower case
  net::Ipv4 currentIp;
  std::string adapterName;
  net::Ipv4 adapterIp;
  net::Ipv4 adapterMask;
  // Every address of this host's adapters, by adapter name: the kernel
  // answers ARP for any of them with our own MAC, which a probe passes over.
  std::vector<std::pair<std::string, net::Ipv4>> hostAddresses;
  std::optional<net::Ipv4> ip;  // none: --ip auto
  net::Ipv4 mask;
  net::Ipv4 gateway;   // 0.0.0.0: none
  bool force = false;  // assign an address another station answers for
};

// A warning the flow went on past, for the front end to word: `mac`, another
// station, answers for `ip` but --force assigned it; or FORCEIP was not
// acknowledged, but camera `mac` answers at `ip`.
struct ForceIpNote {
  enum class Kind { kAssignedInUse, kAnswersUnacknowledged };
  Kind kind = Kind::kAssignedInUse;
  net::Ipv4 ip;
  std::string mac;
};

// `status`: ok once the camera answered a discovery from the address sent,
// else a Fault (device/fault.h). `sent`: the address FORCEIP carried, once it
// went out (whatever came of it).
struct ForceIpOutcome {
  gvcp::Status status = gvcp::Status::Ok();
  std::optional<net::Ipv4> sent;
  bool picked = false;  // by --ip auto
  bool acknowledged = false;
  std::optional<std::string> inUseBy;  // the station that answered, when forced anyway
  std::vector<ForceIpNote> notes;
};

// The mask the --ip auto candidates are taken under: the narrower of the
// adapter's subnet and the requested one, so the picked address lies in both.
net::Ipv4 autoCandidateMask(net::Ipv4 adapterMask, net::Ipv4 requestedMask);

// `stopRequested` is asked between steps and between the candidates of
// --ip auto; true ends the flow with Fault::kInterrupted.
ForceIpOutcome forceIp(const ForceIpPlan& plan, ForceIpPort& port,
                       const std::function<bool()>& stopRequested);

}  // namespace device

// The decisions of FORCEIP for one camera, apart from the network: check the
// request against the adapter the camera was found on, probe the address (or
// pick one with --ip auto), send FORCEIP, and confirm by a discovery where the
// camera answers. A ForceIpPort does the talking (device/force_ip_port.h over
// the network; tests use a script). FORCEIP is a broadcast by MAC: no control
// of the camera is taken, so a stop request simply ends the flow between
// steps. Addresses are host-order numbers. Prints nothing; the outcome
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

namespace device {

// What the network does for the flow.
class ForceIpPort {
 public:
  virtual ~ForceIpPort() = default;
  // An ARP probe of `ip` on the camera's adapter; the camera itself may
  // answer for the address it holds without counting as another station.
  virtual net::ProbeResult probe(uint32_t ip) = 0;
  // FORCEIP for the camera through its adapter, waiting for the acknowledge.
  virtual gvcp::Status force(uint32_t ip, uint32_t mask, uint32_t gateway) = 0;
  // Discoveries on the camera's adapter until the camera answers from `ip`
  // (host order), at most the discovery window: `ip` then, else an address
  // it answered from within the window (its old one, say), if any.
  virtual std::optional<uint32_t> whereAnswers(uint32_t ip) = 0;
};

struct ForceIpPlan {
  std::string mac;  // the camera's, lower case
  uint32_t currentIp = 0;
  std::string adapterName;
  uint32_t adapterIp = 0;
  uint32_t adapterMask = 0;
  // Every address of this host's adapters, by adapter name: the kernel
  // answers ARP for any of them with our own MAC, which a probe passes over.
  std::vector<std::pair<std::string, uint32_t>> hostAddresses;
  std::optional<uint32_t> ip;  // none: --ip auto
  uint32_t mask = 0;
  uint32_t gateway = 0;  // 0: none
  bool force = false;    // assign an address another station answers for
};

// A warning the flow went on past, for the front end to word: `mac`, another
// station, answers for `ip` but --force assigned it; or FORCEIP was not
// acknowledged, but camera `mac` answers at `ip`.
struct ForceIpNote {
  enum class Kind { kAssignedInUse, kAnswersUnacknowledged };
  Kind kind = Kind::kAssignedInUse;
  uint32_t ip = 0;
  std::string mac;
};

// `status`: ok once the camera answered a discovery from the address sent,
// else a Fault (device/fault.h). `sent`: the address FORCEIP carried, once it
// went out (whatever came of it).
struct ForceIpOutcome {
  gvcp::Status status = gvcp::Status::Ok();
  std::optional<uint32_t> sent;
  bool picked = false;  // by --ip auto
  bool acknowledged = false;
  std::optional<std::string> inUseBy;  // the station that answered, when forced anyway
  std::vector<ForceIpNote> notes;
};

// The mask the --ip auto candidates are taken under: the narrower of the
// adapter's subnet and the requested one, so the picked address lies in both.
uint32_t autoCandidateMask(uint32_t adapterMask, uint32_t requestedMask);

// `stopRequested` is asked between steps and between the candidates of
// --ip auto; true ends the flow with Fault::kInterrupted.
ForceIpOutcome forceIp(const ForceIpPlan& plan, ForceIpPort& port,
                       const std::function<bool()>& stopRequested);

}  // namespace device

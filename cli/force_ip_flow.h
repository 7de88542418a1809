// The decisions of `force-ip`, apart from the network: check the request
// against the adapter the camera was found on, probe the address (or pick
// one with --ip auto), send FORCEIP, and confirm by a discovery where the
// camera answers. A ForceIpPort does the talking (the command's port uses an
// ARP probe, the FORCEIP exchange and a discovery; tests use a script).
// FORCEIP is a broadcast by MAC: no control of the camera is taken, so a stop
// signal simply ends the command between steps (exit 130). Addresses are
// host-order numbers. The caller's thread.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/exit_code.h"
#include "cli/signal_guard.h"
#include "gvcp/status.h"
#include "net/arp_probe.h"

namespace cli {

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

// The mask the --ip auto candidates are taken under: the narrower of the
// adapter's subnet and the requested one, so the picked address lies in both.
uint32_t autoCandidateMask(uint32_t adapterMask, uint32_t requestedMask);

CommandResult runForceIpFlow(const ForceIpPlan& plan, ForceIpPort& port, const SignalGuard& signals,
                             std::ostream& err);

}  // namespace cli

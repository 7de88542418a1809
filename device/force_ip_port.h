// FORCEIP for one camera on the real network, for `force-ip`, `set --now` and
// the commands that first move a camera off an address it shares: the
// packet socket of the ARP probe (opened first, so that a run without the
// privilege sends nothing), the flow's port over the camera's adapter (the
// probe, the FORCEIP exchange from the adapter's address, a discovery on that
// adapter), the flow's plan for the camera, and the move off a shared
// address: unicast to an address several stations hold reaches whichever
// answers ARP first, so an operation that changes one camera first gives it a
// temporary address of its own (the --ip auto rule on the adapter it answered
// on) and goes on there. Prints nothing; the caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "device/camera_target.h"
#include "device/force_ip.h"
#include "net/address_set.h"
#include "net/host_interfaces.h"
#include "net/macaddress.h"
#include "net/packet_link.h"

namespace device {

// The ARP probe's socket, or the failure (Fault::kNoPrivilege without the
// privilege; `purpose` says what it is needed for).
std::variant<net::PacketSocket, gvcp::Status> openProbeSocket(const std::string& purpose);

class NetworkPort : public ForceIpPort {
 public:
  // `camera` has its adapter.
  // `timeoutMs` bounds the wait for the camera's answer after FORCEIP.
  NetworkPort(const CameraTarget& camera, net::PacketSocket arpSocket, int timeoutMs);

  net::ProbeResult probe(net::Ipv4 ip) override;
  // The probe with its own timing.
  net::ProbeResult probe(net::Ipv4 ip, const net::ProbeTiming& timing);
  gvcp::Status force(net::Ipv4 ip, net::Ipv4 mask, net::Ipv4 gateway) override;
  std::optional<net::Ipv4> whereAnswers(net::Ipv4 ip) override;

 private:
  CameraTarget camera_;
  net::PacketLink link_;
  MacAddress ours_;
  MacAddress owner_;
  int timeoutMs_;
};

// The flow's plan for `camera` (with its adapter): `set` with its address,
// or with none (autoIp) the first free one from the top of the subnet; `host`
// is the command's listing of this host's interfaces, whose addresses the
// flow never gives away.
ForceIpPlan forceIpPlan(const CameraTarget& camera, const net::AddressSet& set, bool autoIp,
                        bool force, const std::vector<net::HostInterface>& host);

// FORCEIP's plan and outcome, once it was tried.
struct TemporaryForce {
  ForceIpPlan plan;
  ForceIpOutcome outcome;
};

struct Relocation {
  CameraTarget target;                   // where the operation goes on
  std::optional<net::Ipv4> temporaryIp;  // when it was moved
  std::optional<TemporaryForce> forced;
  gvcp::Status status = gvcp::Status::Ok();  // a Fault: nothing was written
};

// "camera MAC shares address IP with MAC, MAC": the words of the move.
std::string sharingText(const CameraTarget& target, const std::vector<net::Mac>& sharers);

// `target` unchanged when `sharers` is empty or it has no adapter.
// `stopRequested` is asked between FORCEIP's steps; `host` as forceIpPlan.
Relocation moveOffSharedAddress(const CameraTarget& target, const std::vector<net::Mac>& sharers,
                                int timeoutMs, const std::function<bool()>& stopRequested,
                                const std::vector<net::HostInterface>& host);

}  // namespace device

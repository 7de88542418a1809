// The move off a shared address: unicast to an address several stations hold
// reaches whichever answers ARP first, so an operation that changes one camera
// first gives it a temporary address of its own with FORCEIP (the --ip auto
// rule on the adapter it answered on, ARP-probed) and goes on there; the
// other stations receive nothing. Prints nothing; the caller's thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/camera_target.h"
#include "device/force_ip.h"
#include "gvcp/status.h"
#include "net/macaddress.h"

namespace device {

// FORCEIP's plan and outcome, once it was tried.
struct TemporaryForce {
  ForceIpPlan plan;
  ForceIpOutcome outcome;
};

struct Relocation {
  CameraTarget target;                  // where the operation goes on
  std::optional<uint32_t> temporaryIp;  // network byte order, when it was moved
  std::optional<TemporaryForce> forced;
  gvcp::Status status = gvcp::Status::Ok();  // a Fault: nothing was written
};

// "camera MAC shares address IP with MAC, MAC": the words of the move.
std::string sharingText(const CameraTarget& target, const std::vector<net::Mac>& sharers);

// `target` unchanged when `sharers` is empty or it has no adapter.
// `stopRequested` is asked between FORCEIP's steps.
Relocation moveOffSharedAddress(const CameraTarget& target, const std::vector<net::Mac>& sharers,
                                int timeoutMs, const std::function<bool()>& stopRequested);

}  // namespace device

// One round of a watch on the network: which adapters are watched (up or
// down), one discovery on those up, how long it took, and this host's
// addresses, as the observation WatchState folds in (device/watch_state.h);
// then the link speeds of the cameras that appeared. Prints nothing; the
// caller's thread.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "device/watch_state.h"
#include "gvcp/status.h"

namespace device {

struct WatchRound {
  RoundObservation observation;
  std::vector<std::pair<std::string, double>> discoverySeconds;  // per adapter up
  bool overUdp = false;  // the discovery fell back to UDP broadcast
  gvcp::Status discovery = gvcp::Status::Ok();
};

// The adapters `names` picks (every one with an IPv4 address but loopback,
// when empty; a named one absent now is down) and one discovery of `window` on
// those up.
WatchRound observeRound(const std::vector<std::string>& names, std::chrono::milliseconds window);

// Once per camera appearance, for those answering in their adapter's subnet;
// `stopRequested` ends the reads (each may wait 200 ms for a silent camera).
void readLinkSpeeds(WatchState& state, const std::function<bool()>& stopRequested);

}  // namespace device

// The front ends' discovery over a set of adapters: requests re-sent within
// the window, answers merged by MAC per adapter, received by packet socket
// (or, when asked, by packet socket and ordinary UDP at once) and, when the
// packet socket is refused for lack of privilege, by ordinary UDP instead
// (which misses cameras answering from outside an adapter's subnet; the
// caller says so). A stop condition may end the window at the answer it waits
// for. One record per camera and link: a camera heard through two addresses
// of one interface is kept once, through the address whose subnet holds its
// own. Prints nothing; the caller's thread.
#pragma once

#include <chrono>
#include <vector>

#include "gvcp/camera_discovery.h"
#include "net/adaptor.h"

namespace device {

// Requests within one window: a lost request or answer costs one of them,
// not the camera.
inline constexpr int kRequestsPerWindow = 4;

struct Discovery {
  gvcp::DiscoveryOutcome outcome;
  bool overUdp = false;  // the packet socket was refused: answers came by UDP
};

// `window` with kRequestsPerWindow requests, answers merged by MAC.
gvcp::DiscoveryOptions discoveryOptions(std::chrono::milliseconds window,
                                        gvcp::CaptureMode capture = gvcp::CaptureMode::kPacket);

// `options.capture` kPacket or kPacketAndUdp.
Discovery discover(const std::vector<Adaptor>& adapters, gvcp::DiscoveryOptions options);
Discovery discover(const std::vector<Adaptor>& adapters, std::chrono::milliseconds window,
                   gvcp::CaptureMode capture = gvcp::CaptureMode::kPacket);

}  // namespace device

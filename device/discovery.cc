#include "device/discovery.h"

#include <algorithm>

#include "net/interface_link.h"

namespace device {

namespace {

// An interface with two addresses is two adapters on one link, as are a
// macvlan and its parent, and a camera there answers the requests of both:
// one record per camera and link, the one whose adapter's subnet holds its
// address (so an alias address in another subnet does not make a reachable
// camera look unreachable), with the receptions of both.
void mergeSameLink(std::vector<GigE_Camera_Info>& cameras) {
  std::vector<GigE_Camera_Info> merged;
  for (GigE_Camera_Info& camera : cameras) {
    const auto known = std::find_if(merged.begin(), merged.end(), [&](const GigE_Camera_Info& m) {
      return gvcp::sameDevice(m, camera) &&
             net::sameLink(m.adaptor.getName(), camera.adaptor.getName());
    });
    if (known == merged.end()) {
      merged.push_back(std::move(camera));
      continue;
    }
    const bool atLinkLevel = known->seenAtLinkLevel || camera.seenAtLinkLevel;
    const bool byUdp = known->seenByUdp || camera.seenByUdp;
    if (!gvcp::answersInAdapterSubnet(*known) && gvcp::answersInAdapterSubnet(camera)) {
      *known = std::move(camera);
    }
    known->seenAtLinkLevel = atLinkLevel;
    known->seenByUdp = byUdp;
  }
  cameras = std::move(merged);
}

Discovery merged(Discovery found) {
  mergeSameLink(found.outcome.cameras);
  return found;
}

}  // namespace

gvcp::DiscoveryOptions discoveryOptions(std::chrono::milliseconds window,
                                        gvcp::CaptureMode capture) {
  gvcp::DiscoveryOptions options;
  options.window = window;
  options.capture = capture;
  options.sends = kRequestsPerWindow;
  options.merge = gvcp::MergeRule::kMac;
  return options;
}

Discovery discover(const std::vector<Adaptor>& adapters, gvcp::DiscoveryOptions options) {
  Discovery found{gvcp::discoverCameras(adapters, options), false};
  if (!gvcp::lacksCapturePrivilege(found.outcome.status)) return merged(std::move(found));
  options.capture = gvcp::CaptureMode::kUdp;
  return merged({gvcp::discoverCameras(adapters, options), true});
}

Discovery discover(const std::vector<Adaptor>& adapters, std::chrono::milliseconds window,
                   gvcp::CaptureMode capture) {
  return discover(adapters, discoveryOptions(window, capture));
}

}  // namespace device

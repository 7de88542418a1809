#include "device/discovery.h"

namespace device {

DiscoveryOptions discoveryOptions(std::chrono::milliseconds window, CaptureMode capture) {
  DiscoveryOptions options;
  options.window = window;
  options.capture = capture;
  options.sends = kRequestsPerWindow;
  options.merge = MergeRule::kMac;
  return options;
}

Discovery discover(const std::vector<Adaptor>& adapters, DiscoveryOptions options) {
  Discovery found{discoverCameras(adapters, options), false};
  if (!lacksCapturePrivilege(found.outcome.status)) return found;
  options.capture = CaptureMode::kUdp;
  return {discoverCameras(adapters, options), true};
}

Discovery discover(const std::vector<Adaptor>& adapters, std::chrono::milliseconds window,
                   CaptureMode capture) {
  return discover(adapters, discoveryOptions(window, capture));
}

}  // namespace device

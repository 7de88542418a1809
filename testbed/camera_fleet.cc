#include "testbed/camera_fleet.h"

#include <cstdio>

namespace testbed {

std::string fleetMac(int n) {
  char text[18];
  std::snprintf(text, sizeof text, "02:00:00:00:%02X:%02X", (n >> 8) & 0xFF, n & 0xFF);
  return text;
}

std::string startFleet(Network& net, const std::string& sw, const std::string& role, int count,
                       const std::function<CameraSpec(int)>& setupOf, Fleet& fleet) {
  for (int n = 0; n < count; ++n) {
    fleet.push_back(
        std::make_unique<SimulatedCamera>(net, sw, role + std::to_string(n), setupOf(n)));
    if (!fleet.back()->ready()) {
      return "camera " + role + std::to_string(n) +
             " did not start: " + fleet.back()->process().errors();
    }
  }
  return "";
}

}  // namespace testbed

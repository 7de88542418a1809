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

std::string startSubnetFleet(Network& net, const std::string& sw, const std::string& prefix,
                             int count, Fleet& fleet) {
  return startFleet(
      net, sw, "c", count,
      [&prefix](int n) {
        CameraSpec settings;
        settings.mac = fleetMac(n);
        settings.ip = prefix + "." + std::to_string(1 + n / 200) + "." + std::to_string(1 + n % 200);
        settings.mask = "255.255.0.0";
        return settings;
      },
      fleet);
}

}  // namespace testbed

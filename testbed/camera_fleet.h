// A crowd of simulated cameras on one test-bed switch, for benchmarks and
// tests that need many: each camera in its own namespace, started one after
// the other (each waits for its "ready" line). The fleet owns its cameras;
// dropping it stops them. One thread per fleet.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "testbed/simulated_camera.h"
#include "testbed/testbed.h"

namespace testbed {

using Fleet = std::vector<std::unique_ptr<SimulatedCamera>>;

// "02:00:00:00:HH:LL" with the low 16 bits of `n`: a locally administered,
// unique MAC for camera number n of a test.
std::string fleetMac(int n);

// Starts `count` cameras on switch `sw` and appends them to `fleet`: camera
// number n (from 0) is set up by `setupOf(n)` and its namespace role is
// `role` followed by n. Returns "" once all are ready, otherwise what failed
// (the cameras started so far stay in `fleet`).
std::string startFleet(Network& net, const std::string& sw, const std::string& role, int count,
                       const std::function<CameraSpec(int)>& setupOf, Fleet& fleet);

// startFleet of cameras in one /16 whose first octets are `prefix` ("10.60"):
// camera n at prefix.(1 + n / 200).(1 + n % 200), with MAC fleetMac(n).
std::string startSubnetFleet(Network& net, const std::string& sw, const std::string& prefix,
                             int count, Fleet& fleet);

}  // namespace testbed

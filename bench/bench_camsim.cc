// How fast the simulated camera answers, so that the test bed's timings are
// the tool's and not the simulator's: requests handled per second by the pure
// GVCP handler (READREG, DISCOVERY), and, as root, how long one simulated
// camera takes from namespace creation to its "ready" line (median of runs),
// and its READREG round trip on the test bed beside a bare echo in the same
// camera namespace, measured in turns in one run.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "simulator/gvcp_handler.h"
#include "testbed/round_trip.h"
#include "testbed/testbed.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRequests = 200000;
constexpr int kStartRuns = 5;
constexpr int kRoundTrips = 5000;
constexpr double kGoalEchoRatio = 3.0;  // the simulator within 3x of a bare echo
constexpr char kEchoPort[] = "3957";

double perSecond(const std::vector<uint8_t>& request) {
  sim::DeviceState state;
  state.current = {0xC0A8010A, 0xFFFFFF00, 0};
  const sim::Peer host{0xC0A80101, 50000};
  size_t answered = 0;
  const auto start = Clock::now();
  for (int i = 0; i < kRequests; ++i)
    answered += sim::handleGvcp(state, host, request, i).answer.size();
  const std::chrono::duration<double> spent = Clock::now() - start;
  return answered > 0 ? kRequests / spent.count() : 0;
}

void handlerRates() {
  uint8_t address[4];
  gvcp::putBe32(address, gvcp::Registers::kCurrentIp);
  const auto readreg = gvcp::buildCommand(gvcp::kFlagAckRequired, gvcp::READREG_CMD, 1, address);
  std::printf("handler READREG:   %.0f requests/s\n", perSecond(readreg));
  std::printf("handler DISCOVERY: %.0f requests/s\n", perSecond(gvcp::buildDiscoveryCommand()));
}

void cameraStartTimes() {
  if (::geteuid() != 0) {
    std::printf("camera start: left out (needs root for network namespaces)\n");
    return;
  }
  std::vector<double> millis;
  for (int run = 0; run < kStartRuns; ++run) {
    testbed::Network net;
    const auto start = Clock::now();
    const std::string sw = net.addSwitch("sw");
    testbed::CameraSpec setup;
    setup.ip = "192.168.63.10";
    testbed::SimulatedCamera camera(net, sw, "cam", setup);
    if (!camera.ready()) continue;
    millis.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  if (millis.empty()) return (void)std::printf("camera start: no camera became ready\n");
  std::sort(millis.begin(), millis.end());
  std::printf("camera start (switch + camera namespace + ready): median %.0f ms of %zu runs\n",
              millis[millis.size() / 2], millis.size());
}

void printAgainstEcho(const std::string& figures) {
  const auto camera = figureAfter(figures, "camera median ");
  const auto cameraP90 = figureAfter(figures, " p90 ");  // the camera's line comes first
  const auto echo = figureAfter(figures, "echo median ");
  if (!camera || !echo || *echo <= 0) {
    std::printf("simulator round trip: not measured: %s\n", figures.c_str());
    return;
  }
  const double ratio = *camera / *echo;
  std::printf("simulator READREG round trip: median %.0f us (p90 %.0f us), bare echo %.0f us\n",
              *camera, cameraP90.value_or(-1), *echo);
  std::printf("simulator / echo: %.2fx (goal: within %.1fx) %s\n", ratio, kGoalEchoRatio,
              ratio <= kGoalEchoRatio ? "met" : "NOT met");
}

void roundTripAgainstEcho() {
  if (::geteuid() != 0) return (void)std::printf("simulator round trip: left out (needs root)\n");
  testbed::Network net;
  const std::string host = net.addHost("host");
  const std::string sw = net.addSwitch("sw");
  if (!net.connect(host, "eth1", sw, "192.168.64.1/24")) {
    return (void)std::printf("simulator round trip: %s\n", net.lastError().c_str());
  }
  testbed::CameraSpec setup;
  setup.ip = "192.168.64.10";
  testbed::SimulatedCamera camera(net, sw, "cam", setup);
  testbed::Process echo(camera.ns(), {testbed::binary("nuv_echo"), kEchoPort});
  if (!camera.ready() || !echo.waitForOutput("ready\n", testbed::Millis(10000))) {
    return (void)std::printf("simulator round trip: camera or echo did not start\n");
  }
  const testbed::CommandResult result =
      testbed::runCommand(host,
                          {testbed::binary("nuv_probe"), "--against-echo",
                           std::to_string(kRoundTrips), setup.ip, kEchoPort},
                          testbed::Millis(120000));
  printAgainstEcho(result.output);
}

}  // namespace

int main() {
  handlerRates();
  cameraStartTimes();
  roundTripAgainstEcho();
  return 0;
}

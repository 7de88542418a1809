// Round-trip time of Camera::readreg beside a bare UDP request/answer of the
// same READREG on the same path in the same run (the floor under any
// exchange), on two paths: an in-process register peer on 127.0.0.1, and the
// simulated camera with host and camera in their own network namespaces on
// one test-bed switch (needs root; without it that part says so and is left
// out). Prints the medians and their ratio beside the goal.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"
#include "testbed/round_trip.h"
#include "testbed/testbed.h"

namespace {

constexpr int kExchanges = 2000;
constexpr double kGoalRatio = 1.2;  // readreg within 1.2x of the bare round trip
constexpr char kCameraIp[] = "192.168.62.10";

// The number before " us" on the line that starts with `label`; -1 if absent.
long long microsAfter(const std::string& output, const std::string& label) {
  const size_t at = output.find(label + " ");
  if (at == std::string::npos) return -1;
  return std::atoll(output.c_str() + at + label.size() + 1);
}

void printRatio(const char* path, long long viaCamera, long long bare) {
  const double ratio = static_cast<double>(viaCamera) / static_cast<double>(bare);
  std::printf("%s: readreg / bare round trip: %.2fx (goal: within %.1fx) %s\n", path, ratio,
              kGoalRatio, ratio <= kGoalRatio ? "met" : "NOT met");
}

int runLoopback() {
  testing_peer::RegisterDevice device;
  device.setRegister(gvcp::Registers::kIpConfigSupported, 7);
  testing_peer::ScriptedPeer peer(device.script());
  const RoundTripFigures figures = measureReadregRoundTrips(peer.ip(), peer.port(), kExchanges);
  if (figures.readregAnswered == 0 || figures.bareAnswered == 0) return 1;
  std::printf("loopback: readreg %lld us, bare %lld us (%d and %d answered of %d)\n",
              figures.readregMicros, figures.bareMicros, figures.readregAnswered,
              figures.bareAnswered, kExchanges);
  printRatio("loopback", figures.readregMicros, figures.bareMicros);
  return 0;
}

int runTestBed() {
  testbed::Network net;
  const std::string host = net.addHost("host");
  const std::string sw = net.addSwitch("sw");
  if (!net.connect(host, "eth1", sw, "192.168.62.1/24")) {
    std::fprintf(stderr, "test bed: %s\n", net.lastError().c_str());
    return 1;
  }
  testbed::CameraSpec setup;
  setup.ip = kCameraIp;
  testbed::SimulatedCamera camera(net, sw, "cam", setup);
  if (!camera.ready()) {
    std::fprintf(stderr, "simulator did not start: %s\n", camera.process().errors().c_str());
    return 1;
  }
  const testbed::CommandResult result = testbed::runCommand(
      host, {testbed::binary("nuv_probe"), "--round-trips", std::to_string(kExchanges), kCameraIp},
      testbed::Millis(120000));
  const long long viaCamera = microsAfter(result.output, "readreg");
  const long long bare = microsAfter(result.output, "bare");
  if (result.status != 0 || viaCamera <= 0 || bare <= 0) {
    std::fprintf(stderr, "measurement failed: %s\n", result.output.c_str());
    return 1;
  }
  std::printf("test bed: readreg %lld us, bare %lld us (medians of %d)\n", viaCamera, bare,
              kExchanges);
  printRatio("test bed", viaCamera, bare);
  return 0;
}

}  // namespace

int main() {
  if (runLoopback() != 0) return 1;
  if (::geteuid() != 0) {
    std::puts("test bed part skipped: needs root to build the namespace test bed");
    return 0;
  }
  return runTestBed();
}

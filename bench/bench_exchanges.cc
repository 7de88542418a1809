// What one command costs a camera, beside a yardstick: one simulated camera
// behind one adapter, each figure beside its goal:
//  - `show MAC` wall time beside `arv-tool-0.8 -n NAME control
//    DeviceModelName` (Debian's aravis-tools-cli, a black-box peer) on the
//    same camera: at most 0.5x;
//  - `set MAC --mode dhcp|lla`, alternating so that each run writes, beside
//    `arv-tool-0.8 -n NAME network mode=DHCP|LLA`: at most 1.0x;
//  - GVCP datagrams sent (the "gvcp send" lines of --trace): at most 4 for
//    `show ADDRESS`, at most 12 for `set MAC` with one change.
// Medians of kRuns runs, each started by fork and exec from inside the host's
// namespace, as a user on that host starts a tool: `ip netns exec` would add
// some ms of its own (a mount namespace, /sys mounted again) to both tools,
// which is neither's and pulls every ratio toward 1. Beside them, what this
// kernel makes the close of one packet socket wait (an RCU grace period):
// `set` captures with one (`show MAC` only when UDP did not hear the camera)
// and the yardstick never does, so it weighs on set's ratio.
// NUV_BENCH_IPCONFIG names another build of the tool to measure. Needs root
// (namespaces); without it, says so.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "testbed/camera_fleet.h"
#include "testbed/process.h"
#include "testbed/testbed.h"

namespace {

using testbed::Millis;

constexpr int kRuns = 9;
constexpr char kIp[] = "10.73.0.10";
constexpr char kName[] = "Bench-BENCH-1-SN7300";  // arv-tool's id: manufacturer-model-serial
constexpr double kShowRatio = 0.5, kSetRatio = 1.0;
constexpr int kShowDatagrams = 4, kSetDatagrams = 12;

struct Run {
  bool ok = false;
  double ms = 0;
  std::string errors;
};

// `args` run in this thread's namespace.
Run run(const std::vector<std::string>& args) {
  const auto start = std::chrono::steady_clock::now();
  testbed::Process process("", args);
  const bool ok = process.waitForExit(Millis(30000)) == 0;
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!ok) std::fprintf(stderr, "%s failed: %s\n", args[0].c_str(), process.errors().c_str());
  return {ok, ms, process.errors()};
}

double median(std::vector<double> times) {
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Median wall time of kRuns runs, the arguments of run i from `argsOf(i)`;
// -1 when one failed.
template <typename ArgsOf>
double medianMs(ArgsOf argsOf) {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const Run r = run(argsOf(i));
    if (!r.ok) return -1;
    times.push_back(r.ms);
  }
  return median(times);
}

int datagramsSent(std::vector<std::string> args) {
  args.insert(args.begin() + 1, "--trace");
  const Run r = run(args);
  if (!r.ok) return -1;
  int sent = 0;
  for (size_t at = r.errors.find("gvcp send"); at != std::string::npos;
       at = r.errors.find("gvcp send", at + 1)) {
    ++sent;
  }
  return sent;
}

// Median wall time of closing a fresh packet socket (bound to nothing, it
// takes in and sends nothing).
double packetSocketCloseMs() {
  std::vector<double> times;
  for (int i = 0; i < kRuns; ++i) {
    const int fd = ::socket(AF_PACKET, SOCK_RAW | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const auto start = std::chrono::steady_clock::now();
    ::close(fd);
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  return median(times);
}

const char* verdict(bool met) { return met ? "met" : "NOT met"; }

void printRatio(const char* what, double ours, double yardstick, double goal) {
  const double ratio = ours / yardstick;
  std::printf("%-28s %6.1f ms  arv-tool %6.1f ms  %.2fx  (goal: at most %.1fx)  %s\n", what, ours,
              yardstick, ratio, goal, verdict(ours >= 0 && yardstick > 0 && ratio <= goal));
}

void printCount(const char* what, int sent, int goal) {
  std::printf("%-28s %6d datagrams  (goal: at most %d)  %s\n", what, sent, goal,
              verdict(sent >= 0 && sent <= goal));
}

}  // namespace

int main() {
  if (geteuid() != 0) {
    std::puts("bench_exchanges: skipped, the test bed needs root to create network namespaces");
    return 0;
  }
  testbed::Network net;
  const std::string host = net.addHost("host");
  const std::string sw = net.addSwitch("sw");
  if (!net.connect(host, "eth1", sw, "10.73.0.1/24")) {
    std::fprintf(stderr, "test bed: %s\n", net.lastError().c_str());
    return 1;
  }
  const std::string mac = testbed::fleetMac(0x7300);
  testbed::Fleet cameras;
  const std::string failed = testbed::startFleet(
      net, sw, "cam", 1,
      [&](int) {
        testbed::CameraSpec setup;
        setup.mac = mac;
        setup.ip = kIp;
        setup.manufacturer = "Bench";
        setup.model = "BENCH-1";
        setup.serial = "SN7300";
        return setup;
      },
      cameras);
  if (!failed.empty()) {
    std::fprintf(stderr, "%s\n", failed.c_str());
    return 1;
  }
  // Every run below starts in the host's namespace, from this thread.
  const testbed::NamespaceVisit inHost(host);
  if (!inHost.entered()) {
    std::fprintf(stderr, "test bed: cannot enter namespace %s\n", host.c_str());
    return 1;
  }
  const char* other = std::getenv("NUV_BENCH_IPCONFIG");
  const std::string tool = other != nullptr ? other : testbed::binary("nuv-ipconfig");
  const std::string arv = "arv-tool-0.8";
  std::printf("tool                         %s\n", tool.c_str());
  std::printf("packet socket close          %6.1f ms  (the kernel's wait; no goal)\n",
              packetSocketCloseMs());
  printRatio("show MAC", medianMs([&](int) {
               return std::vector<std::string>{tool, "show", mac};
             }),
             medianMs([&](int) {
               return std::vector<std::string>{arv, "-n", kName, "control", "DeviceModelName"};
             }),
             kShowRatio);
  printRatio("set MAC --mode dhcp|lla", medianMs([&](int i) {
               return std::vector<std::string>{tool, "set", mac, "--mode", i % 2 ? "dhcp" : "lla"};
             }),
             medianMs([&](int i) {
               return std::vector<std::string>{arv, "-n", kName, "network",
                                               i % 2 ? "mode=DHCP" : "mode=LLA"};
             }),
             kSetRatio);
  printCount("show ADDRESS", datagramsSent({tool, "show", kIp}), kShowDatagrams);
  // After an odd number of sets the camera holds lla: dhcp changes it.
  printCount("set MAC --mode dhcp", datagramsSent({tool, "set", mac, "--mode", "dhcp"}),
             kSetDatagrams);
  return 0;
}

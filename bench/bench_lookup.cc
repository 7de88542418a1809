// How soon the command line answers once the camera has: four simulated
// cameras behind one adapter, each figure beside its goal and the value
// main had before the lookups stopped at the camera's answer:
//  - `show MAC`: wall time from start to exit, median of 5;
//  - `restart MAC`: the time from the camera's first possible answer (the
//    restart's silence of kRestartMs after the request) to the command's
//    own measure of the return, median of 3;
//  - `set MAC --mode dhcp` alternating with lla, so that each run writes:
//    wall time from start to exit, median of 9;
//  - `list --expect 4` beside `list` with its whole window.
// Every run goes through `ip netns exec`, which alone costs a few ms.
// NUV_BENCH_IPCONFIG names another build of the tool to measure (how the
// values of main were taken). Needs root (namespaces); without it, says so.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "testbed/camera_fleet.h"
#include "testbed/testbed.h"

namespace {

using testbed::Millis;

constexpr int kCameras = 4;
constexpr int kRuns = 5;
constexpr int kRestartRuns = 3;
constexpr double kRestartMs = 500;  // the camera's silence after a restart request
constexpr char kSubnet[] = "10.72.0.";

// Goals, and main's values: its release build of 2026-12-08 measured by this
// bench through NUV_BENCH_IPCONFIG, one run.
constexpr double kGoalShowMs = 100, kTodayShowMs = 1019;
constexpr double kGoalSetMs = 200, kTodaySetMs = 1024;
constexpr double kGoalReturnMs = 300, kTodayReturnMs = 1109;
constexpr double kGoalExpectMs = 100, kTodayExpectMs = 1018;  // main had no --expect: its `list`

struct Bed {
  testbed::Network net;
  std::string host;
  testbed::Fleet cameras;
};

std::string tool() {
  const char* other = std::getenv("NUV_BENCH_IPCONFIG");
  return other != nullptr ? other : testbed::binary("nuv-ipconfig");
}

double median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

struct Run {
  bool ok = false;
  double ms = 0;
  std::string out;
};

Run runTool(const Bed& bed, std::vector<std::string> args) {
  args.insert(args.begin(), tool());
  const auto start = std::chrono::steady_clock::now();
  testbed::Process process(bed.host, args);
  const bool ok = process.waitForExit(Millis(30000)) == 0;
  const double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  if (!ok) std::fprintf(stderr, "%s failed: %s\n", args[1].c_str(), process.errors().c_str());
  return {ok, ms, process.output()};
}

// Median wall time of `runs` runs, the arguments of run i from `argsOf(i)`;
// -1 when one failed.
template <typename ArgsOf>
double medianMs(const Bed& bed, int runs, ArgsOf argsOf) {
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) {
    const Run run = runTool(bed, argsOf(i));
    if (!run.ok) return -1;
    times.push_back(run.ms);
  }
  return median(times);
}

// The restart's own measure of the return, less the camera's silence.
double returnMs(const Bed& bed, const std::string& mac) {
  std::vector<double> latencies;
  for (int i = 0; i < kRestartRuns; ++i) {
    const Run run = runTool(bed, {"restart", mac, "--json"});
    const nlohmann::json doc = nlohmann::json::parse(run.out, nullptr, false);
    if (!run.ok || doc.is_discarded()) return -1;
    latencies.push_back(doc["restart"]["seconds"].get<double>() * 1000 - kRestartMs);
  }
  return median(latencies);
}

void print(const char* what, double ms, double goalMs, double todayMs) {
  std::printf("%-34s %7.0f ms  (goal: at most %.0f ms, main: %.0f ms)  %s\n", what, ms, goalMs,
              todayMs, ms >= 0 && ms <= goalMs ? "met" : "NOT met");
}

bool build(Bed& bed) {
  bed.host = bed.net.addHost("host");
  const std::string sw = bed.net.addSwitch("sw");
  if (!bed.net.connect(bed.host, "eth1", sw, std::string(kSubnet) + "1/24")) {
    std::fprintf(stderr, "test bed: %s\n", bed.net.lastError().c_str());
    return false;
  }
  const auto setupOf = [](int n) {
    testbed::CameraSpec setup;
    setup.mac = testbed::fleetMac(0x7200 + n);
    setup.ip = kSubnet + std::to_string(10 + n);
    setup.current = "5";  // persistent: back where it was after a restart
    setup.persistentIp = setup.ip;
    setup.persistentMask = "255.255.255.0";
    setup.extraArgs = {"--restart-ms", std::to_string(static_cast<int>(kRestartMs))};
    return setup;
  };
  const std::string failed =
      testbed::startFleet(bed.net, sw, "cam", kCameras, setupOf, bed.cameras);
  if (!failed.empty()) std::fprintf(stderr, "%s\n", failed.c_str());
  return failed.empty();
}

}  // namespace

int main() {
  if (geteuid() != 0) {
    std::puts("bench_lookup: skipped, the test bed needs root to create network namespaces");
    return 0;
  }
  Bed bed;
  if (!build(bed)) return 1;
  const std::string mac = testbed::fleetMac(0x7200);
  std::printf("tool                               %s\n", tool().c_str());
  print("show MAC",
        medianMs(bed, kRuns,
                 [&](int) {
                   return std::vector<std::string>{"show", mac};
                 }),
        kGoalShowMs, kTodayShowMs);
  // Before the sets: a persistent camera comes back where it was.
  print("restart MAC: answer to return", returnMs(bed, mac), kGoalReturnMs, kTodayReturnMs);
  print("set MAC --mode dhcp|lla",
        medianMs(bed, kRuns * 2 - 1,
                 [&](int i) {
                   return std::vector<std::string>{"set", mac, "--mode", i % 2 ? "lla" : "dhcp"};
                 }),
        kGoalSetMs, kTodaySetMs);
  const auto list = [&](std::vector<std::string> args) {
    return medianMs(bed, kRuns, [&](int) { return args; });
  };
  std::printf("%-34s %7.0f ms\n", "list (the whole 1000 ms window)", list({"list"}));
  print("list --expect 4", list({"list", "--expect", std::to_string(kCameras)}), kGoalExpectMs,
        kTodayExpectMs);
  return 0;
}

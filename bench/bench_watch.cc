// The watch over time, each figure beside its goal:
//  - in-process, 10,000 rounds with 50 cameras coming and going (each away
//    for a few rounds in turn, so appearances, losses and returns all
//    happen): resident memory and open descriptors after round 1,000 and
//    after round 10,000 (goal: no growth beyond allocator noise), the round
//    folding, its JSON events and the textfile written whole each time;
//  - CPU per round with 100 cameras on 4 adapters, beyond the discovery
//    window: the adapter listing, the fold, the events and the textfile
//    (goal <= 5 ms);
//  - a real watch at the shortest interval in the test bed with cameras
//    stopped and started: its peak descriptors and resident memory over
//    rounds 10-30 and over the last 20 (root; skipped without).
#include <arpa/inet.h>
#include <dirent.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli/output/json_render.h"
#include "cli/output/watch_render.h"
#include "device/address_sharers.h"
#include "device/watch_state.h"
#include "net/host_interfaces.h"
#include "os/whole_file.h"
#include "testbed/camera_fleet.h"
#include "testbed/testbed.h"

namespace {

constexpr int kSoakRounds = 10000, kSoakWarmRounds = 1000, kSoakCameras = 50;
constexpr int kCpuRounds = 1000, kCpuCameras = 100, kCpuAdapters = 4;
constexpr double kGoalCpuMs = 5;
constexpr long kRssNoiseKiB = 256;  // allocator noise allowed on a flat soak
constexpr int kRealCameras = 6, kRealRounds = 150, kWindowStart = 10, kWindowRounds = 20;

long residentKiB(const std::string& pid = "self") {
  std::ifstream status("/proc/" + pid + "/status");
  for (std::string line; std::getline(status, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
  return -1;
}

int openDescriptors(const std::string& pid = "self") {
  int n = 0;
  for ([[maybe_unused]] const auto& entry :
       std::filesystem::directory_iterator("/proc/" + pid + "/fd"))
    ++n;
  return n;
}

GigE_Camera_Info syntheticCamera(int n, int adapters) {
  GigE_Camera_Info c;
  const std::string adapter = "eth" + std::to_string(n % adapters);
  const uint32_t subnet = inet_addr(("10.0." + std::to_string(n % adapters) + ".0").c_str());
  c.cameraMacHw[0] = 0x02;
  c.cameraMacHw[4] = static_cast<unsigned char>(n >> 8);
  c.cameraMacHw[5] = static_cast<unsigned char>(n);
  c.cameraMac = "02:00:00:00:" + std::to_string(n >> 8) + ":" + std::to_string(n & 0xFF);
  c.currentIp = c.sourceIp = subnet | htonl(10 + n);
  c.currentSubnetMask = inet_addr("255.255.0.0");
  c.modelName = "BENCH-CAM";
  c.serialNumber = "SN" + std::to_string(n);
  c.userDefinedName = "cam" + std::to_string(n);
  c.adaptor = Adaptor(adapter, MacAddress(), subnet | htonl(1), inet_addr("255.255.0.0"));
  return c;
}

// One round as the command does it, but for the discovery: the events as
// JSON lines and the textfile written whole. Returns the bytes made.
size_t foldAndRender(device::WatchState& state, const device::RoundObservation& round,
                     const std::string& textfile) {
  size_t bytes = 0;
  for (const device::WatchEvent& e : state.fold(round))
    bytes += cli::writeJson(cli::watchEventJson(e, round.time)).size();
  const std::string text = cli::prometheusText(state, {{{"eth0", 0.1}}});
  os::writeFileWhole(textfile, text);
  return bytes + text.size();
}

void soak(const std::string& dir) {
  std::vector<GigE_Camera_Info> all;
  for (int n = 0; n < kSoakCameras; ++n) all.push_back(syntheticCamera(n, 1));
  device::WatchState state;
  long rssWarm = 0;
  int fdsWarm = 0;
  for (int r = 1; r <= kSoakRounds; ++r) {
    device::RoundObservation round{static_cast<double>(r), {{"eth0", true}}, {}, {}};
    // Camera n is away for 5 rounds of every 10 + n % 7: all come and go.
    for (int n = 0; n < kSoakCameras; ++n)
      if ((r + n) % (10 + n % 7) >= 5) round.cameras.push_back(all[n]);
    foldAndRender(state, round, dir + "/soak.prom");
    if (r == kSoakWarmRounds) {
      rssWarm = residentKiB();
      fdsWarm = openDescriptors();
    }
  }
  const long rssGrowth = residentKiB() - rssWarm;
  const int fdGrowth = openDescriptors() - fdsWarm;
  std::printf("soak, %d rounds, %d cameras coming and going (in-process):\n", kSoakRounds,
              kSoakCameras);
  std::printf("  resident memory growth from round %d: %ld KiB   goal <= %ld KiB (flat)\n",
              kSoakWarmRounds, rssGrowth, kRssNoiseKiB);
  std::printf("  open descriptors growth from round %d: %d        goal 0\n", kSoakWarmRounds,
              fdGrowth);
}

double cpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void cpuPerRound(const std::string& dir) {
  device::RoundObservation round{0, {}, {}, {}};
  for (int a = 0; a < kCpuAdapters; ++a)
    round.adapters.push_back({"eth" + std::to_string(a), true});
  for (int n = 0; n < kCpuCameras; ++n) round.cameras.push_back(syntheticCamera(n, kCpuAdapters));
  device::WatchState state;
  const double start = cpuMs();
  for (int r = 0; r < kCpuRounds; ++r) {
    round.time = r;
    round.hostAddresses = device::hostAddresses(net::listHostInterfaces());
    foldAndRender(state, round, dir + "/cpu.prom");
  }
  std::printf(
      "CPU per round, %d cameras on %d adapters, beyond the discovery window:\n"
      "  %.3f ms   goal <= %.1f ms\n",
      kCpuCameras, kCpuAdapters, (cpuMs() - start) / kCpuRounds, kGoalCpuMs);
}

// nuv_gige_rounds_total of the textfile, 0 while there is none.
long roundsOf(const std::string& textfile) {
  std::ifstream in(textfile);
  for (std::string line; std::getline(in, line);)
    if (line.rfind("nuv_gige_rounds_total ", 0) == 0) return std::stol(line.substr(22));
  return 0;
}

void realRun(const std::string& dir) {
  testbed::Network net;
  const testbed::Network::Lan lan = net.addLan("host", "10.73.0.1/24");
  testbed::Fleet fleet;
  const auto setupOf = [](int n) {
    testbed::CameraSpec setup;
    setup.mac = testbed::fleetMac(0x7300 + n);
    setup.ip = "10.73.0." + std::to_string(10 + n);
    return setup;
  };
  const std::string failed = testbed::startFleet(net, lan.sw, "cam", kRealCameras, setupOf, fleet);
  if (lan.host.empty() || !failed.empty()) {
    std::printf("real run: test bed failed: %s%s\n", net.lastError().c_str(), failed.c_str());
    return;
  }
  const std::string textfile = dir + "/real.prom";
  testbed::Process watch(lan.host, {testbed::binary("nuv-ipconfig"), "watch", "--json",
                                    "--interval-s", "0.2", "--textfile", textfile});
  const std::string pid = std::to_string(watch.pid());
  // Over a window of rounds, early and late: the fewest descriptors (those
  // held between rounds, where a leak would show) and the most (a round's
  // discovery sockets, a link-speed read of a returning camera, open too).
  int fdsEarly = 0, fdsLate = 0, heldEarly = 1 << 20, heldLate = 1 << 20;
  long rssEarly = 0, rssLate = 0;
  for (long r = 0; r < kRealRounds && watch.running();) {
    watch.waitForOutput("\n", testbed::Millis(100), watch.output().size());
    const int fds = openDescriptors(pid);
    const long rss = residentKiB(pid);
    if (r >= kWindowStart && r < kWindowStart + kWindowRounds)
      fdsEarly = std::max(fdsEarly, fds), heldEarly = std::min(heldEarly, fds),
      rssEarly = std::max(rssEarly, rss);
    if (r >= kRealRounds - kWindowRounds)
      fdsLate = std::max(fdsLate, fds), heldLate = std::min(heldLate, fds),
      rssLate = std::max(rssLate, rss);
    const long now = roundsOf(textfile);
    if (now == r) continue;
    r = now;
    if (r % 20 == 0) fleet[r / 20 % kRealCameras]->stop();  // one camera away at a time
    if (r % 20 == 10) fleet[r / 20 % kRealCameras]->start();
  }
  std::printf("real watch, --interval-s 0.2, %d cameras stopped and started, %d rounds:\n",
              kRealCameras, kRealRounds);
  std::printf(
      "  descriptors held between rounds, rounds %d-%d: %d, last %d rounds: %d   goal: equal\n",
      kWindowStart, kWindowStart + kWindowRounds, heldEarly, kWindowRounds, heldLate);
  std::printf("  descriptors at most within a round: %d and %d\n", fdsEarly, fdsLate);
  std::printf(
      "  peak resident memory, rounds %d-%d: %ld KiB, last %d rounds: %ld KiB   goal: flat\n",
      kWindowStart, kWindowStart + kWindowRounds, rssEarly, kWindowRounds, rssLate);
}

}  // namespace

int main() {
  char pattern[] = "/tmp/nuv-bench-watch-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return 1;
  const std::string dir = pattern;
  soak(dir);
  cpuPerRound(dir);
  if (geteuid() == 0) {
    realRun(dir);
  } else {
    std::puts("real watch: skipped, the test bed needs root to create network namespaces");
  }
  std::filesystem::remove_all(dir);
  return 0;
}

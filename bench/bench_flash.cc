// Upload rate of image programming against the limit of the path, not of a
// camera, for both loops: the library's (nuv_fwupdate --program-only, a dot
// per block) against a bare echo peer that answers every flash request at
// once (nuv_echo --flash), and the command line's (`nuv-ipconfig firmware`
// on a terminal, so that its progress bar is drawn, and without one; its
// upload_seconds) against the simulator, whose flash port answers as the echo does. Each
// limit is the bare round trip of one 536-byte block request to that peer
// times the blocks of the image; the ratio limit / upload says how much the
// loop adds on top of the path. Everything runs on one processor: there the
// path's round trip is short and steady (some 30 us), so each microsecond a
// loop adds shows, while a wake-up across two processors of this virtual
// machine costs 100 to 200 us and swings from one process to the next, which
// drowned the loops' own cost. Needs root for the namespaces; skips with a
// message otherwise.
#include <sched.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "fwupdate/flash_peer_test_util.h"
#include "testbed/round_trip.h"
#include "testbed/testbed.h"

namespace {

// The path's speed drifts with the load of the shared machine, so the figure
// is taken in rounds: each round measures the bare round trip over as many
// exchanges as one image has blocks, right before and right after that
// image's upload, for each loop in turn. Images of several MiB take long
// enough (about a third of a second each) that a burst of load moves a
// round's ratio little.
constexpr size_t kImageBytes = 4u << 20;
constexpr size_t kBlockBytes = 512;
constexpr size_t kBlocks = (kImageBytes + kBlockBytes - 1) / kBlockBytes;
constexpr int kRounds = 21;  // odd: the median is one round's ratio
constexpr char kEchoIp[] = "192.168.63.20";
constexpr char kCameraIp[] = "192.168.63.30";
constexpr char kFlashPort[] = "2200";
constexpr double kGoalRatio = 0.9;
// Before the command line timed its upload: the library loop's ratio in
// main's benchmark of 31 rounds of 256 KiB on both processors (2026-12-08;
// 0.14-2.0 per round in the run the issue quotes, median 0.55).
constexpr double kTodayLibraryRatio = 0.91;
constexpr testbed::Millis kRunBoundMs(600000);

std::optional<std::string> runTool(const std::string& ns, std::vector<std::string> args) {
  testbed::Process tool(ns, args);
  const std::optional<int> status = tool.waitForExit(kRunBoundMs);
  if (status != 0) {
    std::fprintf(stderr, "nuv_fwupdate failed: %s%s\n", tool.output().c_str(),
                 tool.errors().c_str());
    return std::nullopt;
  }
  return tool.output();
}

std::string writeImage(const testing_peer::TempDir& dir) {
  std::mt19937 rng(8);
  testing_peer::Bytes image(kImageBytes);
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(rng());
  return dir.write("ABC-100_9.9_bench.bin", image);
}

std::optional<double> meanRoundTripUs(const std::string& host, const char* peer) {
  const auto text = runTool(
      host, {testbed::binary("nuv_fwupdate"), "--round-trips", std::to_string(kBlocks), peer});
  return text ? figureAfter(*text, "round trip mean ") : std::nullopt;
}

std::optional<double> libraryUploadUs(const std::string& host, const std::string& image) {
  const auto text =
      runTool(host, {testbed::binary("nuv_fwupdate"), "--program-only", kEchoIp, image});
  return text ? figureAfter(*text, " bytes in ") : std::nullopt;
}

std::optional<double> uploadSecondsUs(const std::optional<std::string>& text) {
  const auto seconds = text ? figureAfter(*text, "\"upload_seconds\":") : std::nullopt;
  return seconds ? std::optional(*seconds * 1e6) : std::nullopt;
}

// The whole `firmware` command on a terminal (script(1)), so its bar is drawn.
std::optional<double> commandUploadUs(const std::string& host, const std::string& image) {
  const std::string line =
      testbed::binary("nuv-ipconfig") + " firmware " + kCameraIp + " " + image + " --yes --json";
  return uploadSecondsUs(runTool(host, {"script", "-q", "-e", "-c", line, "/dev/null"}));
}

// The same without a terminal: no bar, so the difference is what drawing costs.
std::optional<double> barlessUploadUs(const std::string& host, const std::string& image) {
  return uploadSecondsUs(runTool(
      host, {testbed::binary("nuv-ipconfig"), "firmware", kCameraIp, image, "--yes", "--json"}));
}

struct Loop {
  const char* name;
  const char* peer;
  std::optional<double> (*upload)(const std::string& host, const std::string& image);
  double limitUs = 0;
  double spentUs = 0;
  std::vector<double> ratios;
};

// One round of `loop`: one upload between two measures of its peer's round
// trip, whose mean gives the limit; false on a failure.
bool round(Loop& loop, int number, const std::string& host, const std::string& image) {
  const auto before = meanRoundTripUs(host, loop.peer);
  const auto upload = loop.upload(host, image);
  const auto after = meanRoundTripUs(host, loop.peer);
  if (!before || !upload || !after) return false;
  const double limitUs = static_cast<double>(kBlocks) * (*before + *after) / 2;
  loop.ratios.push_back(limitUs / *upload);
  std::printf(
      "round %d %-8s bare round trip %.1f us before, %.1f after; upload %.3f s, ratio %.2f\n",
      number, loop.name, *before, *after, *upload / 1e6, loop.ratios.back());
  loop.limitUs += limitUs;
  loop.spentUs += *upload;
  return true;
}

void summarise(Loop& loop, double goal, double today) {
  std::sort(loop.ratios.begin(), loop.ratios.end());
  const double mib = static_cast<double>(kImageBytes) * kRounds / (1 << 20);
  const double ratio = loop.ratios[kRounds / 2];
  std::printf(
      "%-8s upload %.2f s, %.3f MiB/s; stop-and-wait limit %.2f s, %.3f MiB/s; ratio %.2f median "
      "of rounds, %.2f of the sums",
      loop.name, loop.spentUs / 1e6, mib / (loop.spentUs / 1e6), loop.limitUs / 1e6,
      mib / (loop.limitUs / 1e6), ratio, loop.limitUs / loop.spentUs);
  if (goal > 0) {
    std::printf(" (goal: at least %.2f) %s\n", goal, ratio >= goal ? "met" : "NOT met");
  } else {
    std::printf(" (main: %.2f)\n", today);
  }
}

// A round that a burst of load hit shows as an outlying ratio; the median of
// the rounds' ratios is the figure, the ratio of the sums is shown beside it.
int measure(const std::string& host, const std::string& image) {
  Loop library{"library", kEchoIp, libraryUploadUs, 0, 0, {}};
  Loop command{"firmware", kCameraIp, commandUploadUs, 0, 0, {}};
  Loop barless{"no bar", kCameraIp, barlessUploadUs, 0, 0, {}};
  for (int number = 1; number <= kRounds; ++number) {
    for (Loop* loop : {&library, &command, &barless}) {
      if (!round(*loop, number, host, image)) return 1;
    }
  }
  std::printf("images   %d x %zu MiB, %zu blocks of 536-byte requests each, per loop\n", kRounds,
              kImageBytes >> 20, kBlocks);
  summarise(library, 0, kTodayLibraryRatio);
  summarise(command, kGoalRatio, 0);
  summarise(barless, kGoalRatio, 0);
  std::printf("firmware's upload was not timed before this benchmark: no value of main\n");
  return 0;
}

// Persistent at its address, so it is back there after each update's restart.
testbed::CameraSpec cameraSpec() {
  testbed::CameraSpec setup;
  setup.mac = "02:00:00:00:63:30";
  setup.ip = kCameraIp;
  setup.model = "ABC-100";
  setup.current = "5";
  setup.persistentIp = kCameraIp;
  setup.persistentMask = "255.255.255.0";
  setup.extraArgs = {"--flash-ms", "50", "--restart-ms", "800"};
  return setup;
}

// The first processor this process may run on; every process the benchmark
// starts inherits it.
bool onOneProcessor() {
  cpu_set_t allowed;
  if (sched_getaffinity(0, sizeof allowed, &allowed) != 0) return false;
  for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
    if (!CPU_ISSET(cpu, &allowed)) continue;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(cpu, &one);
    return sched_setaffinity(0, sizeof one, &one) == 0;
  }
  return false;
}

}  // namespace

int main() {
  if (geteuid() != 0) {
    std::puts("bench_flash: skipped, the test bed needs root to create network namespaces");
    return 0;
  }
  if (!onOneProcessor()) {
    std::perror("bench_flash: cannot keep to one processor");
    return 1;
  }
  testbed::Network net;
  const std::string host = net.addHost("host");
  const std::string sw = net.addSwitch("sw");
  if (!net.connect(host, "eth1", sw, "192.168.63.1/24")) {
    std::fprintf(stderr, "bench_flash: %s\n", net.lastError().c_str());
    return 1;
  }
  const std::string peerNs = net.addHost("echo");
  if (!net.connect(peerNs, "eth0", sw, std::string(kEchoIp) + "/24")) {
    std::fprintf(stderr, "bench_flash: %s\n", net.lastError().c_str());
    return 1;
  }
  testbed::Process peer(peerNs, {testbed::binary("nuv_echo"), "--flash", kFlashPort});
  if (!peer.waitForOutput("ready\n", testbed::Millis(10000))) {
    std::fprintf(stderr, "bench_flash: echo peer did not start: %s\n", peer.errors().c_str());
    return 1;
  }
  const testbed::SimulatedCamera camera(net, sw, "cam", cameraSpec());
  if (!camera.ready()) {
    std::fprintf(stderr, "bench_flash: camera did not start\n");
    return 1;
  }
  const testing_peer::TempDir dir;
  return measure(host, writeImage(dir));
}

// Every camera at scale: N simulated cameras on one test-bed adapter (one
// switch, one namespace per camera), N = 100, 300 and 500 by default or the
// counts given as arguments. For each N, `list --json` runs several times,
// every other run with cold neighbour caches (flushed in the host and in every
// camera first), and each run prints the cameras found of the cameras started
// (naming those it missed), the UDP datagrams the kernel dropped for a full
// receive buffer in the host's namespace (RcvbufErrors) and the frames it
// dropped for a full input backlog, beside the goal: every camera in every run.
// Also prints the host's limits that bear on it. Needs root (namespaces);
// without it, says so and ends. The test bed removes all it built.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e/namespace_thread.h"
#include "net/sysctl_values.h"
#include "testbed/camera_fleet.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using testbed::Millis;

constexpr int kRunsPerCount = 4;
constexpr char kHostCidr[] = "10.61.0.1/16";

struct Bed {
  testbed::Network net;
  std::string host;
  testbed::Fleet cameras;  // stopped before the network goes
};

bool buildBed(Bed& bed, int count) {
  bed.host = bed.net.addHost("host");
  const std::string sw = bed.net.addSwitch("sw");
  if (bed.host.empty() || sw.empty() || !bed.net.connect(bed.host, "eth1", sw, kHostCidr)) {
    std::fprintf(stderr, "test bed: %s\n", bed.net.lastError().c_str());
    return false;
  }
  const std::string failed = testbed::startSubnetFleet(bed.net, sw, "10.61", count, bed.cameras);
  if (!failed.empty()) std::fprintf(stderr, "%s\n", failed.c_str());
  return failed.empty();
}

// Forgets every neighbour in the host and in each camera, so the run starts
// with ARP to resolve on both sides.
void flushNeighbours(const Bed& bed) {
  for (const std::string& ns : bed.net.namespaces()) {
    (void)testbed::runCommand(ns, {"ip", "neigh", "flush", "all"});
  }
}

long droppedInHost(const Bed& bed) {
  long dropped = -1;
  inNamespace(bed.host, [&] { dropped = net::udpReceiveBufferErrors().value_or(-1); });
  return dropped;
}

// The MACs of the started cameras the listing does not name.
std::vector<std::string> camerasMissed(const std::string& listing, int started) {
  std::vector<std::string> missed;
  for (int n = 0; n < started; ++n) {
    std::string mac = testbed::fleetMac(n);
    std::transform(mac.begin(), mac.end(), mac.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (listing.find(mac) == std::string::npos) missed.push_back(mac);
  }
  return missed;
}

// One `list --json`; false when it did not end well.
bool oneRun(const Bed& bed, int count, int run, int& missedRuns) {
  const bool cold = run % 2 == 0;
  if (cold) flushNeighbours(bed);
  const long before = droppedInHost(bed), backlogBefore = net::backlogDrops().value_or(0);
  const testbed::ToolRun tool =
      testbed::runTool(bed.host, {"list", "--json"}, {}, "", Millis(60000));
  const long dropped = droppedInHost(bed) - before,
             backlog = net::backlogDrops().value_or(0) - backlogBefore;
  const std::vector<std::string> missed = camerasMissed(tool.out, count);
  const int found = count - static_cast<int>(missed.size());
  missedRuns += missed.empty() ? 0 : 1;
  std::printf(
      "  run %d (%s ARP): found %3d of %3d started, kernel drops %4ld, backlog drops %5ld, "
      "%.0f ms  %s\n",
      run + 1, cold ? "cold" : "warm", found, count, dropped, backlog, tool.wallMs,
      missed.empty() ? "met" : "NOT met");
  for (const std::string& mac : missed) std::printf("    missed %s\n", mac.c_str());
  if (tool.status != 0)
    std::fprintf(stderr, "  list ended %d: %s\n", tool.status.value_or(-1), tool.err.c_str());
  return tool.status == 0;
}

// The receive-buffer lines of one traced run: what the kernel granted.
void printGrantedBuffers(const Bed& bed) {
  const testbed::ToolRun traced =
      testbed::runTool(bed.host, {"list", "--trace"}, {}, "", Millis(60000));
  for (size_t at = traced.err.find("discovery: "); at != std::string::npos;
       at = traced.err.find("discovery: ", at + 1)) {
    std::printf("  %s\n", traced.err.substr(at, traced.err.find('\n', at) - at).c_str());
  }
}

int measure(int count) {
  Bed bed;
  const auto start = std::chrono::steady_clock::now();
  if (!buildBed(bed, count)) return 1;
  std::printf("%d cameras on one adapter (bed built in %.1f s); goal: %d of %d in every run\n",
              count,
              std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              count, count);
  printGrantedBuffers(bed);
  int missedRuns = 0;
  bool ended = true;
  for (int run = 0; run < kRunsPerCount; ++run)
    ended = oneRun(bed, count, run, missedRuns) && ended;
  std::printf("  %d cameras: %d of %d runs found every camera (goal %d of %d) %s\n", count,
              kRunsPerCount - missedRuns, kRunsPerCount, kRunsPerCount, kRunsPerCount,
              missedRuns == 0 ? "met" : "NOT met");
  return ended ? 0 : 1;
}

std::string shown(const std::optional<long>& value) { return value ? std::to_string(*value) : "?"; }

}  // namespace

int main(int argc, char** argv) {
  if (::geteuid() != 0) {
    std::puts("bench_scale skipped: needs root to build the namespace test bed");
    return 0;
  }
  std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as it comes, also into a file
  std::vector<int> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atoi(argv[i]));
  if (counts.empty()) counts = {100, 300, 500};
  const net::NeighbourThresholds neighbour = net::neighbourThresholds();
  std::printf(
      "host limits: net.core.rmem_max %s, net.core.netdev_max_backlog %s, neighbour "
      "gc_thresh1/2/3 %s/%s/%s\n",
      shown(net::rmemMax()).c_str(), shown(net::netdevMaxBacklog()).c_str(),
      shown(neighbour.gc1).c_str(), shown(neighbour.gc2).c_str(), shown(neighbour.gc3).c_str());
  int status = 0;
  for (int count : counts) status = measure(count) != 0 ? 1 : status;
  return status;
}

// Upload rate of the image programming loop against the limit of the path,
// not of a camera: the peer in the camera namespace is a bare echo that
// answers every flash request at once (nuv_echo --flash). Beside the upload it
// prints the bare round trip of one 536-byte block request to that peer and
// the stop-and-wait limit (blocks times that round trip); their ratio says how
// much the loop adds on top of the path. Needs root for the namespaces; skips
// with a message otherwise.
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
// exchanges as one image has blocks, then uploads that image; the limit and
// the upload time are summed over the rounds.
constexpr size_t kImageBytes = 256u << 10;
constexpr size_t kBlockBytes = 512;
constexpr size_t kBlocks = (kImageBytes + kBlockBytes - 1) / kBlockBytes;
constexpr int kRounds = 31;  // odd: the median is one round's ratio
constexpr char kCameraIp[] = "192.168.63.20";
constexpr char kFlashPort[] = "2200";
constexpr double kGoalRatio = 0.9;
constexpr testbed::Millis kRunBoundMs(600000);

std::optional<std::string> runTool(const std::string& ns, std::vector<std::string> args) {
  args.insert(args.begin(), testbed::binary("nuv_fwupdate"));
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

std::optional<double> meanRoundTripUs(const std::string& host) {
  const auto text = runTool(host, {"--round-trips", std::to_string(kBlocks), kCameraIp});
  return text ? figureAfter(*text, "round trip mean ") : std::nullopt;
}

std::optional<double> uploadUs(const std::string& host, const std::string& image) {
  const auto text = runTool(host, {"--program-only", kCameraIp, image});
  return text ? figureAfter(*text, " bytes in ") : std::nullopt;
}

// A round that a burst of load hit shows as an outlying ratio; the median of
// the rounds' ratios is the figure, the ratio of the sums is shown beside it.
int measure(const std::string& host, const std::string& image) {
  double limitUs = 0;
  double spentUs = 0;
  std::vector<double> ratios;
  for (int round = 0; round < kRounds; ++round) {
    const auto rttUs = meanRoundTripUs(host);
    const auto upload = uploadUs(host, image);
    if (!rttUs || !upload) return 1;
    ratios.push_back(static_cast<double>(kBlocks) * *rttUs / *upload);
    std::printf("round %-2d              bare round trip mean %.1f us, upload %.3f s, ratio %.2f\n",
                round + 1, *rttUs, *upload / 1e6, ratios.back());
    limitUs += static_cast<double>(kBlocks) * *rttUs;
    spentUs += *upload;
  }
  std::sort(ratios.begin(), ratios.end());
  const double mib = static_cast<double>(kImageBytes) * kRounds / (1 << 20);
  std::printf("images                %d x %zu KiB, %zu blocks of 536-byte requests each\n", kRounds,
              kImageBytes >> 10, kBlocks);
  std::printf("bare round trip       mean %.1f us over all rounds\n",
              limitUs / (static_cast<double>(kBlocks) * kRounds));
  std::printf("upload                %.2f s, %.3f MiB/s\n", spentUs / 1e6, mib / (spentUs / 1e6));
  std::printf("stop-and-wait limit   %.2f s, %.3f MiB/s (blocks x bare round trip)\n",
              limitUs / 1e6, mib / (limitUs / 1e6));
  const double ratio = ratios[kRounds / 2];
  std::printf(
      "ratio                 %.2f median of rounds, %.2f of the sums (goal: at least %.2f) %s\n",
      ratio, limitUs / spentUs, kGoalRatio, ratio >= kGoalRatio ? "met" : "NOT met");
  return 0;
}

}  // namespace

int main() {
  if (geteuid() != 0) {
    std::puts("bench_flash: skipped, the test bed needs root to create network namespaces");
    return 0;
  }
  testbed::Network net;
  const std::string host = net.addHost("host");
  const std::string sw = net.addSwitch("sw");
  if (!net.connect(host, "eth1", sw, "192.168.63.1/24")) {
    std::fprintf(stderr, "bench_flash: %s\n", net.lastError().c_str());
    return 1;
  }
  const std::string peerNs = net.addHost("cam");
  if (!net.connect(peerNs, "eth0", sw, std::string(kCameraIp) + "/24")) {
    std::fprintf(stderr, "bench_flash: %s\n", net.lastError().c_str());
    return 1;
  }
  testbed::Process peer(peerNs, {testbed::binary("nuv_echo"), "--flash", kFlashPort});
  if (!peer.waitForOutput("ready\n", testbed::Millis(10000))) {
    std::fprintf(stderr, "bench_flash: echo peer did not start: %s\n", peer.errors().c_str());
    return 1;
  }
  const testing_peer::TempDir dir;
  return measure(host, writeImage(dir));
}

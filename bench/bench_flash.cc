// Upload rate of the image programming against the simulated camera in the
// test bed, beside the stop-and-wait limit of the same path: the number of
// blocks times the measured bare round trip of one 536-byte block request.
// The ratio of the two says how much the exchange adds on top of the path.
// Needs root for the namespaces; skips with a message otherwise.
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <random>
#include <string>

#include "fwupdate/flash_peer_test_util.h"
#include "testbed/testbed.h"

namespace {

constexpr size_t kImageBytes = 8u << 20;
constexpr size_t kBlockBytes = 512;
constexpr int kRoundTrips = 3000;
constexpr char kCameraIp[] = "192.168.63.20";
constexpr testbed::Millis kRunBoundMs(600000);

// The first number after `label` in `text`.
std::optional<double> numberAfter(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  if (at == std::string::npos) return std::nullopt;
  return std::stod(text.substr(at + label.size()));
}

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
  const auto text = runTool(host, {"--round-trips", std::to_string(kRoundTrips), kCameraIp});
  if (!text) return std::nullopt;
  std::printf("bare round trip       %s", text->c_str());
  return numberAfter(*text, "round trip mean ");
}

// Round trips are measured before and after the upload and averaged, since
// the path's speed drifts with the load of the machine.
int measure(const std::string& host, const std::string& image) {
  const auto rttBeforeUs = meanRoundTripUs(host);
  const auto uploadText = runTool(host, {"--program-only", kCameraIp, image});
  const auto rttAfterUs = meanRoundTripUs(host);
  if (!rttBeforeUs || !uploadText || !rttAfterUs) return 1;
  const auto uploadUs = numberAfter(*uploadText, " bytes in ");
  if (!uploadUs) return 1;
  const double rttUs = (*rttBeforeUs + *rttAfterUs) / 2;
  const double blocks = static_cast<double>((kImageBytes + kBlockBytes - 1) / kBlockBytes);
  const double limitUs = blocks * rttUs;
  const double mib = static_cast<double>(kImageBytes) / (1 << 20);
  std::printf("image                 %.0f MiB, %.0f blocks of 536-byte requests\n", mib, blocks);
  std::printf("upload                %.2f s, %.3f MiB/s\n", *uploadUs / 1e6,
              mib / (*uploadUs / 1e6));
  std::printf("stop-and-wait limit   %.2f s, %.3f MiB/s (blocks x mean round trip %.0f us)\n",
              limitUs / 1e6, mib / (limitUs / 1e6), rttUs);
  std::printf("ratio                 %.2f (goal: at least 0.80)\n", limitUs / *uploadUs);
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
  testbed::CameraSpec setup;
  setup.ip = kCameraIp;
  setup.extraArgs = {"--flash-ms", "0"};
  const auto camera = std::make_unique<testbed::SimulatedCamera>(net, sw, "cam", setup);
  if (!camera->ready()) {
    std::fprintf(stderr, "bench_flash: camera did not start: %s\n",
                 camera->process().errors().c_str());
    return 1;
  }
  const testing_peer::TempDir dir;
  return measure(host, writeImage(dir));
}

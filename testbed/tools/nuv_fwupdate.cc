// Firmware update from the command line, for end-to-end tests and benchmarks
// run inside the test bed's namespaces:
//   nuv_fwupdate [--dir DIR] [--completion-bound-ms N] [--return-bound-ms N] IP IMAGE
//       a whole update; exit status 0 on success, else 1. Every mode first
//       enters DIR, so that IMAGE can be the bare name the firmware check wants
//   nuv_fwupdate --program-only IP IMAGE
//       only the image programming (its dots to /dev/null), then
//       "programmed <bytes> bytes in <us> us"
//   nuv_fwupdate --round-trips N IP
//       N bare exchanges of one 536-byte block request, then
//       "round trip mean <us> us median <us> us (...)"; the answer's status
//       does not matter here
// Exit status 2 on a usage error.
#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "fwupdate/flash_program.h"
#include "fwupdate/flash_protocol.h"
#include "fwupdate/gige_fmupload.h"
#include "net/ipv4address.h"
#include "net/socket_address.h"
#include "net/socket_wait.h"
#include "net/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;

// A lost datagram is left out of the figure.
constexpr std::chrono::milliseconds kRoundTripWait(200);

struct Arguments {
  FwUpdateOptions update;
  std::string dir;
  bool programOnly = false;
  int roundTrips = 0;
  std::vector<std::string> positional;
};

int usage() {
  std::fputs(
      "usage: nuv_fwupdate [--dir DIR] [--completion-bound-ms N] [--return-bound-ms N] IP IMAGE\n"
      "       nuv_fwupdate --program-only IP IMAGE\n"
      "       nuv_fwupdate --round-trips N IP\n",
      stderr);
  return 2;
}

bool parse(int argc, char** argv, Arguments& args) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--program-only") {
      args.programOnly = true;
    } else if (arg == "--dir" && hasValue) {
      args.dir = argv[++i];
    } else if (arg == "--completion-bound-ms" && hasValue) {
      args.update.flash.completionBound = std::chrono::milliseconds(std::atol(argv[++i]));
    } else if (arg == "--return-bound-ms" && hasValue) {
      args.update.returnBound = std::chrono::milliseconds(std::atol(argv[++i]));
    } else if (arg == "--round-trips" && hasValue) {
      args.roundTrips = std::atoi(argv[++i]);
    } else if (arg.starts_with("--")) {
      return false;
    } else {
      args.positional.push_back(arg);
    }
  }
  return args.positional.size() == (args.roundTrips > 0 ? 1u : 2u);
}

sockaddr_in flashEndpoint(uint32_t ip) { return net::socketAddress(ip, gvcp::kEpcsPort); }

long long microsSince(Clock::time_point begin) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begin).count();
}

// One request out, one answer back, nothing else: the floor under any
// stop-and-wait exchange on this path. It receives the way the upload loop
// does, so the two differ only in what the loop adds. Microseconds, not cut
// to whole ones: at a few tens of them, cutting would bias the floor low.
std::optional<double> bareRoundTrip(int fd, const sockaddr_in& camera,
                                    const std::vector<uint8_t>& request) {
  uint8_t answer[gvcp::kEpcsMaxAnswer];
  const auto begin = Clock::now();
  sendto(fd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&camera),
         sizeof camera);
  if (net::waitReadable(fd, begin + kRoundTripWait) != net::SocketWait::kReadable ||
      recv(fd, answer, sizeof answer, MSG_DONTWAIT) < 0) {
    return std::nullopt;
  }
  return std::chrono::duration<double, std::micro>(Clock::now() - begin).count();
}

int measureRoundTrips(uint32_t ip, int count) {
  const net::UniqueFd sock(socket(AF_INET, SOCK_DGRAM, 0));
  // A block request; the camera answers it whatever its flash phase.
  const std::vector<uint8_t> request = gvcp::buildEpcsRequest(
      gvcp::kEpcsBlock, std::vector<uint8_t>(gvcp::kEpcsBlockPayloadSize, 0));
  std::vector<double> micros;
  for (int i = 0; i < count && sock; ++i) {
    if (const auto rtt = bareRoundTrip(sock.get(), flashEndpoint(ip), request)) {
      micros.push_back(*rtt);
    }
  }
  if (micros.empty()) return 1;
  // The mean is what a sum of stop-and-wait exchanges adds up to.
  const double mean =
      std::accumulate(micros.begin(), micros.end(), 0.0) / static_cast<double>(micros.size());
  std::nth_element(micros.begin(), micros.begin() + micros.size() / 2, micros.end());
  std::printf("round trip mean %.1f us median %.1f us (%zu answered of %d)\n", mean,
              micros[micros.size() / 2], micros.size(), count);
  return 0;
}

// The dots go to /dev/null: each is still written and flushed as on a
// terminal, but no reader of a pipe wakes for each one on the benchmark's
// processor.
int programOnly(uint32_t ip, const std::string& image) {
  const auto size = readFirmwareImage(image.c_str());
  const std::unique_ptr<FILE, int (*)(FILE*)> dots(std::fopen("/dev/null", "w"), std::fclose);
  FlashProgramOptions options;
  options.out = dots.get();
  const auto begin = Clock::now();
  const int result = programFlash(flashEndpoint(ip), image.c_str(), options);
  const long long micros = microsSince(begin);
  if (result != 0 || !size) return 1;
  std::printf("\nprogrammed %zu bytes in %lld us\n", size->size(), micros);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Arguments args;
  uint32_t ip = 0;
  if (!parse(argc, argv, args) || !net::parseIpv4(args.positional[0], &ip)) return usage();
  if (!args.dir.empty() && chdir(args.dir.c_str()) != 0) {
    std::perror("chdir");
    return 1;
  }
  if (args.roundTrips > 0) return measureRoundTrips(ip, args.roundTrips);
  if (args.programOnly) return programOnly(ip, args.positional[1]);
  return updateFirmware(args.positional[0], args.positional[1], args.update) == 0 ? 0 : 1;
}

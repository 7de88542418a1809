// The non-interactive camera entry points from the command line, for
// end-to-end tests and benchmarks run inside the test bed's namespaces:
//   nuv_probe report IP            the camera report; exit 0 when it returned 0
//   nuv_probe store IP MASK [--quiet]
//       stores IP and MASK as the persistent setting of the camera at IP
//       (--quiet: without the values block); exit 0 when it returned 0
//   nuv_probe --round-trips N IP
//       N register reads through Camera, each followed by one bare UDP
//       request/answer of the same READREG on the same path, then
//       "readreg <us> us" and "bare <us> us" (the medians)
//   nuv_probe --against-echo N IP ECHO_PORT
//       N bare READREG request/answers to the camera at IP, each followed by
//       one to a plain echo at ECHO_PORT of the same address, then
//       "camera median <us> us p90 <us> us" and "echo median <us> us p90 <us> us"
// Exit status 1 on a failed operation, 2 on a usage error.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gvcp/gvcp_protocol.h"
#include "ipconfig/gige_ipconfig_helper.h"
#include "net/ipv4address.h"
#include "testbed/round_trip.h"

namespace {

int usage() {
  std::fputs(
      "usage: nuv_probe report IP\n"
      "       nuv_probe store IP MASK [--quiet]\n"
      "       nuv_probe --round-trips N IP\n"
      "       nuv_probe --against-echo N IP ECHO_PORT\n",
      stderr);
  return 2;
}

int printRoundTrips(uint32_t ip, int count) {
  const RoundTripFigures figures = measureReadregRoundTrips(ip, gvcp::kPort, count);
  if (figures.readregAnswered == 0 || figures.bareAnswered == 0) return 1;
  std::printf("readreg %lld us (%d answered of %d)\n", figures.readregMicros,
              figures.readregAnswered, count);
  std::printf("bare %lld us (%d answered of %d)\n", figures.bareMicros, figures.bareAnswered,
              count);
  return 0;
}

int printEchoComparison(uint32_t ip, int count, int echoPort) {
  const EchoComparison figures =
      compareWithEcho(ip, gvcp::kPort, static_cast<uint16_t>(echoPort), count);
  if (figures.cameraAnswered == 0 || figures.echoAnswered == 0) return 1;
  std::printf("camera median %lld us p90 %lld us (%d answered of %d)\n", figures.cameraMedian,
              figures.cameraP90, figures.cameraAnswered, count);
  std::printf("echo median %lld us p90 %lld us (%d answered of %d)\n", figures.echoMedian,
              figures.echoP90, figures.echoAnswered, count);
  return 0;
}

int store(const std::vector<std::string>& args) {
  IPV4Set set;
  if (!net::parseIpv4(args[1], &set.ip) || !net::parseIpv4(args[2], &set.mask)) return usage();
  const bool quiet = args.size() == 4 && args[3] == "--quiet";
  if (args.size() == 4 && !quiet) return usage();
  return replacePersistentIpSet(&set, !quiet) == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 2 && args[0] == "report") return doIpConfigHelper(args[1]) == 0 ? 0 : 1;
  if ((args.size() == 3 || args.size() == 4) && args[0] == "store") return store(args);
  uint32_t ip = 0;
  if (args.size() == 3 && args[0] == "--round-trips" && net::parseIpv4(args[2], &ip)) {
    const int count = std::atoi(args[1].c_str());
    return count > 0 ? printRoundTrips(ip, count) : usage();
  }
  if (args.size() == 4 && args[0] == "--against-echo" && net::parseIpv4(args[2], &ip)) {
    const int count = std::atoi(args[1].c_str());
    const int echoPort = std::atoi(args[3].c_str());
    return count > 0 && echoPort > 0 ? printEchoComparison(ip, count, echoPort) : usage();
  }
  return usage();
}

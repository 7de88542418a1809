#include "testbed/round_trip.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <vector>

#include "gvcp/camera.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "net/socket_address.h"
#include "net/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBareWaitMs = gvcp::kGvcpAckBudgetMs;  // the budget a Camera exchange has

long long microsSince(Clock::time_point begin) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begin).count();
}

std::optional<long long> cameraRoundTrip(Camera& camera) {
  unsigned int value = 0;
  const auto begin = Clock::now();
  if (camera.readreg(gvcp::Registers::kIpConfigSupported, &value) != 0) return std::nullopt;
  return microsSince(begin);
}

std::optional<long long> bareRoundTrip(int fd, const sockaddr_in& camera, uint16_t id) {
  uint8_t address[4];
  gvcp::putBe32(address, gvcp::Registers::kIpConfigSupported);
  const std::vector<uint8_t> request =
      gvcp::buildCommand(gvcp::kFlagAckRequired, gvcp::READREG_CMD, id, address);
  uint8_t answer[gvcp::kAckBufferSize];
  const auto begin = Clock::now();
  sendto(fd, request.data(), request.size(), 0, reinterpret_cast<const sockaddr*>(&camera),
         sizeof camera);
  pollfd entry{fd, POLLIN, 0};
  if (poll(&entry, 1, kBareWaitMs) != 1 || recv(fd, answer, sizeof answer, 0) <= 0) {
    return std::nullopt;
  }
  return microsSince(begin);
}

// The value below which `percent` of `values` lie; -1 for none.
long long percentile(std::vector<long long> values, size_t percent) {
  if (values.empty()) return -1;
  const auto at = values.begin() + static_cast<std::ptrdiff_t>(values.size() * percent / 100);
  std::nth_element(values.begin(), at, values.end());
  return *at;
}

long long median(std::vector<long long> values) { return percentile(std::move(values), 50); }

}  // namespace

RoundTripFigures measureReadregRoundTrips(uint32_t ip, uint16_t port, int count) {
  Camera camera(ip, port);
  const net::UniqueFd bare(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  const sockaddr_in to = net::socketAddress(ip, port);
  std::vector<long long> viaCamera;
  std::vector<long long> viaBare;
  for (int i = 0; i < count && bare; ++i) {
    if (const auto rtt = cameraRoundTrip(camera)) viaCamera.push_back(*rtt);
    if (const auto rtt = bareRoundTrip(bare.get(), to, static_cast<uint16_t>(i % 0xFFFF + 1))) {
      viaBare.push_back(*rtt);
    }
  }
  return {median(viaCamera), median(viaBare), static_cast<int>(viaCamera.size()),
          static_cast<int>(viaBare.size())};
}

EchoComparison compareWithEcho(uint32_t ip, uint16_t port, uint16_t echoPort, int count) {
  const net::UniqueFd toCamera(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  const net::UniqueFd toEcho(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  std::vector<long long> viaCamera;
  std::vector<long long> viaEcho;
  for (int i = 0; i < count && toCamera && toEcho; ++i) {
    const auto id = static_cast<uint16_t>(i % 0xFFFF + 1);
    if (const auto rtt = bareRoundTrip(toCamera.get(), net::socketAddress(ip, port), id)) {
      viaCamera.push_back(*rtt);
    }
    if (const auto rtt = bareRoundTrip(toEcho.get(), net::socketAddress(ip, echoPort), id)) {
      viaEcho.push_back(*rtt);
    }
  }
  return {median(viaCamera),
          percentile(viaCamera, 90),
          median(viaEcho),
          percentile(viaEcho, 90),
          static_cast<int>(viaCamera.size()),
          static_cast<int>(viaEcho.size())};
}

std::optional<double> figureAfter(const std::string& text, const std::string& label) {
  const size_t at = text.find(label);
  if (at == std::string::npos) return std::nullopt;
  char* end = nullptr;
  const double value = std::strtod(text.c_str() + at + label.size(), &end);
  if (end == text.c_str() + at + label.size()) return std::nullopt;
  return value;
}

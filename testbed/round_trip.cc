#include "testbed/round_trip.h"

#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "gvcp/camera.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "net/socket_address.h"
#include "net/unique_fd.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBareWaitMs = kGvcpAckBudgetMs;  // the budget a Camera exchange has

long long microsSince(Clock::time_point begin) {
  return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - begin).count();
}

std::optional<long long> cameraRoundTrip(Camera& camera) {
  unsigned int value = 0;
  const auto begin = Clock::now();
  if (camera.readreg(reg::kIpConfigSupported, &value) != 0) return std::nullopt;
  return microsSince(begin);
}

std::optional<long long> bareRoundTrip(int fd, const sockaddr_in& camera, uint16_t id) {
  uint8_t address[4];
  gvcp::putBe32(address, reg::kIpConfigSupported);
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

long long median(std::vector<long long> values) {
  if (values.empty()) return -1;
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

}  // namespace

RoundTripFigures measureReadregRoundTrips(uint32_t ip, uint16_t port, int count) {
  Camera camera(ip, port);
  const UniqueFd bare(socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  const sockaddr_in to = socketAddress(ip, port);
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

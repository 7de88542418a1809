#include "gvcp/gige_forceip.h"

#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {

// Stores a value that is already in network byte order unchanged.
void putNetworkOrder(uint8_t* out, uint32_t value) { std::memcpy(out, &value, sizeof value); }

}  // namespace

gvcp::ForceIpCommand gvcp::buildForceIpCommand(const unsigned char* mac, const ForceIpSet& set,
                                               uint32_t gateway) {
  gvcp::ForceIpCommand command{};
  gvcp::writeCommandHeader(command.data(), {gvcp::kFlagAckRequired, gvcp::FORCEIP_CMD,
                                            gvcp::kForceIpPayload, gvcp::kForceIpReqId});
  uint8_t* payload = command.data() + gvcp::kHeaderSize;
  std::memcpy(payload + gvcp::ForceIpCmdLayout::kMac, mac, MacAddress::kSize);
  putNetworkOrder(payload + gvcp::ForceIpCmdLayout::kIp, set.ip);
  putNetworkOrder(payload + gvcp::ForceIpCmdLayout::kMask, set.mask);
  putNetworkOrder(payload + gvcp::ForceIpCmdLayout::kGateway, gateway);
  return command;
}

bool gvcp::drainFramesFor(int packetFd, int listenMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(listenMs);
  uint8_t frame[gvcp::kForceIpFrameBufferSize];
  for (;;) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return true;
    if (packetFd < 0) {
      std::this_thread::sleep_for(left);
      continue;
    }
    pollfd watch{packetFd, POLLIN, 0};
    const int ready = ::poll(&watch, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;  // a signal is no failure of the wait
    if (ready < 0 || (watch.revents & POLLNVAL)) return false;
    if (ready > 0) ::recv(packetFd, frame, sizeof frame, MSG_DONTWAIT);
  }
}

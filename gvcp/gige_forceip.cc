#include "gvcp/gige_forceip.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "net/packet_socket.h"
#include "net/socket_address.h"

namespace {

constexpr int kExitWaitFailed = 1;

// Stores a value that is already in network byte order unchanged.
void putNetworkOrder(uint8_t* out, uint32_t value) { std::memcpy(out, &value, sizeof value); }

// A packet socket bound to the named interface, or an invalid owner when it
// cannot be opened (no raw-socket privilege). Binding failures are not fatal:
// the socket only serves to watch the link for the listening second.
PacketSocket openLinkWatch(const std::string& interfaceName) {
  PacketSocket fd = PacketSocket::open("packet socket");
  if (fd) (void)fd.bind(static_cast<int>(if_nametoindex(interfaceName.c_str())), htons(ETH_P_ALL));
  return fd;
}

}  // namespace

ForceIpCommand buildForceIpCommand(const unsigned char* mac, const ForceIpSet& set,
                                   uint32_t gateway) {
  ForceIpCommand command{};
  gvcp::writeCommandHeader(command.data(), {gvcp::kFlagAckRequired, gvcp::FORCEIP_CMD,
                                            gvcp::kForceIpPayload, gvcp::kForceIpReqId});
  uint8_t* payload = command.data() + gvcp::kHeaderSize;
  std::memcpy(payload + forceip_cmd::kMac, mac, MacAddress::kSize);
  putNetworkOrder(payload + forceip_cmd::kIp, set.ip);
  putNetworkOrder(payload + forceip_cmd::kMask, set.mask);
  putNetworkOrder(payload + forceip_cmd::kGateway, gateway);
  return command;
}

bool drainFramesFor(int packetFd, int listenMs) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(listenMs);
  uint8_t frame[kForceIpFrameBufferSize];
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

ForceIp::ForceIp() : sock(::socket(AF_INET, SOCK_DGRAM, 0)) {
  if (!sock) std::puts("socket() error");
}

int ForceIp::assignTemporaryIp(const GigE_Camera_Info* camera, const ForceIpSet* set) {
  return assignTemporaryIp_linux(camera, set);
}

int ForceIp::assignTemporaryIp_linux(const GigE_Camera_Info* camera, const ForceIpSet* set) {
  sendCommand(*camera, *set);
  const PacketSocket linkWatch = openLinkWatch(camera->adaptor.getName());
  if (!drainFramesFor(linkWatch.get(), kForceIpListenMs)) {
    std::puts("select() failed");
    std::exit(kExitWaitFailed);
  }
  return 0;
}

void ForceIp::sendCommand(const GigE_Camera_Info& camera, const ForceIpSet& set) {
  const int enable = 1;
  if (::setsockopt(sock.get(), SOL_SOCKET, SO_BROADCAST, &enable, sizeof enable) != 0) {
    std::puts("setsockopt() error");
  }
  // Bound to the adapter's address, the limited broadcast leaves through the
  // adapter that owns it; port 0 lets the system pick the source port.
  const sockaddr_in local = socketAddress(inet_addr(camera.adaptor.getIp().c_str()), 0);
  if (::bind(sock.get(), asSockaddr(local), sizeof local) != 0) {
    std::puts("bind() error");
  }
  const sockaddr_in broadcast = socketAddress(htonl(INADDR_BROADCAST), gvcp::kPort);
  const ForceIpCommand command = buildForceIpCommand(camera.cameraMacHw, set);
  if (::sendto(sock.get(), command.data(), command.size(), 0, asSockaddr(broadcast),
               sizeof broadcast) < 0) {
    std::puts("sendto() error");
    std::fflush(stdout);
    std::perror("sendto() error\n");
  }
}

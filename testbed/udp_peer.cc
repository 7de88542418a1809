#include "testbed/udp_peer.h"

#include <arpa/inet.h>
#include <linux/if_packet.h>
#include <net/ethernet.h>
#include <poll.h>
#include <sys/socket.h>

#include <chrono>

#include "gvcp/gvcp_protocol.h"
#include "net/socket_address.h"
#include "testbed/testbed.h"

namespace testbed {
namespace {

using Clock = std::chrono::steady_clock;
constexpr size_t kMaxDatagramBytes = 65536;
constexpr size_t kEthernetHeader = 14;
constexpr size_t kUdpHeader = 8;

std::string dottedFrom(const uint8_t* bytes) {
  char text[INET_ADDRSTRLEN] = {};
  inet_ntop(AF_INET, bytes, text, sizeof text);
  return text;
}

bool readable(int fd, Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<Millis>(deadline - Clock::now());
  pollfd p{fd, POLLIN, 0};
  return left.count() > 0 && ::poll(&p, 1, static_cast<int>(left.count())) > 0;
}

// UDP payload of an Ethernet/IPv4 frame, honouring the IPv4 header length.
std::optional<Received> udpOfFrame(const uint8_t* frame, size_t size) {
  if (size < kEthernetHeader + 20 + kUdpHeader) return std::nullopt;
  const uint8_t* ip = frame + kEthernetHeader;
  if (frame[12] != 0x08 || frame[13] != 0x00 || ip[9] != IPPROTO_UDP) return std::nullopt;
  const size_t ipHeader = (ip[0] & 0x0F) * 4u;
  if (kEthernetHeader + ipHeader + kUdpHeader > size) return std::nullopt;
  const uint8_t* udp = ip + ipHeader;
  const size_t udpLength = (size_t{udp[4]} << 8) | udp[5];
  const size_t available = size - kEthernetHeader - ipHeader;
  if (udpLength < kUdpHeader || udpLength > available) return std::nullopt;
  Received r;
  r.bytes.assign(udp + kUdpHeader, udp + udpLength);
  r.from = dottedFrom(ip + 12);
  r.to = dottedFrom(ip + 16);
  r.fromPort = static_cast<uint16_t>((udp[0] << 8) | udp[1]);
  return r;
}

}  // namespace

UdpPeer::UdpPeer(const std::string& ns, const std::string& bindIp, uint16_t port)
    : fd_(socketIn(ns, AF_INET, SOCK_DGRAM)) {
  sockaddr_in local = net::socketAddress(0, port);
  const int one = 1;
  socklen_t length = sizeof local;
  if (!fd_ || inet_pton(AF_INET, bindIp.c_str(), &local.sin_addr) != 1 ||
      ::setsockopt(fd_.get(), SOL_SOCKET, SO_BROADCAST, &one, sizeof one) != 0 ||
      ::bind(fd_.get(), reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      ::getsockname(fd_.get(), reinterpret_cast<sockaddr*>(&local), &length) != 0) {
    fd_.reset();
    return;
  }
  port_ = ntohs(local.sin_port);
}

bool UdpPeer::sendTo(const std::string& ip, uint16_t port, std::span<const uint8_t> bytes) {
  sockaddr_in to = net::socketAddress(0, port);
  if (inet_pton(AF_INET, ip.c_str(), &to.sin_addr) != 1) return false;
  return ::sendto(fd_.get(), bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                  sizeof to) == static_cast<ssize_t>(bytes.size());
}

std::optional<Received> UdpPeer::receive(Millis timeout) {
  if (!fd_ || !readable(fd_.get(), Clock::now() + timeout)) return std::nullopt;
  std::vector<uint8_t> buffer(kMaxDatagramBytes);
  sockaddr_in from{};
  socklen_t length = sizeof from;
  const ssize_t n = ::recvfrom(fd_.get(), buffer.data(), buffer.size(), 0,
                               reinterpret_cast<sockaddr*>(&from), &length);
  if (n < 0) return std::nullopt;
  buffer.resize(static_cast<size_t>(n));
  return Received{buffer, dottedFrom(reinterpret_cast<const uint8_t*>(&from.sin_addr)),
                  ntohs(from.sin_port), ""};
}

std::vector<Received> UdpPeer::receiveFor(Millis window) {
  std::vector<Received> all;
  const auto deadline = Clock::now() + window;
  while (auto next = receive(std::chrono::duration_cast<Millis>(deadline - Clock::now()))) {
    all.push_back(std::move(*next));
  }
  return all;
}

std::vector<Received> discoveryAnswers(const std::string& ns, const std::string& bindIp,
                                       Millis window) {
  UdpPeer peer(ns, bindIp);
  if (!peer.sendTo("255.255.255.255", gvcp::kPort, gvcp::buildDiscoveryCommand())) return {};
  return peer.receiveFor(window);
}

FrameCapture::FrameCapture(const std::string& ns, const std::string& ifname)
    : fd_(socketIn(ns, AF_PACKET, SOCK_RAW, htons(ETH_P_ALL))) {
  sockaddr_ll link{};
  link.sll_family = AF_PACKET;
  link.sll_protocol = htons(ETH_P_ALL);
  link.sll_ifindex = interfaceIndexIn(ns, ifname);
  if (!fd_ || link.sll_ifindex == 0 ||
      ::bind(fd_.get(), reinterpret_cast<sockaddr*>(&link), sizeof link) != 0) {
    fd_.reset();
  }
}

std::optional<Received> FrameCapture::nextFromPort(uint16_t fromPort, Millis timeout) {
  const auto deadline = Clock::now() + timeout;
  std::vector<uint8_t> frame(kMaxDatagramBytes);
  while (fd_ && readable(fd_.get(), deadline)) {
    const ssize_t n = ::recv(fd_.get(), frame.data(), frame.size(), 0);
    if (n <= 0) continue;
    auto udp = udpOfFrame(frame.data(), static_cast<size_t>(n));
    if (udp && udp->fromPort == fromPort) return udp;
  }
  return std::nullopt;
}

}  // namespace testbed

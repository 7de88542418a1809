#include "net/packet_link.h"

#include <arpa/inet.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace net {
namespace {

// Larger than any Ethernet frame that reaches an ARP socket.
constexpr size_t kReceiveBuffer = 1600;

sockaddr_ll linkAddress(int ifindex) {
  sockaddr_ll address{};
  address.sll_family = AF_PACKET;
  address.sll_protocol = htons(ETH_P_ARP);
  address.sll_ifindex = ifindex;
  return address;
}

}  // namespace

// Protocol 0: the socket takes in nothing until the bind names ARP and the
// interface, so a socket opened early (to learn whether the privilege is
// there) never holds frames that arrived on another interface meanwhile.
PacketSocket openArpSocket() { return PacketSocket::open("ARP socket"); }

std::variant<PacketLink, int> PacketLink::open(int ifindex) {
  PacketSocket sock = openArpSocket();
  if (!sock) return errno;
  PacketLink link(std::move(sock), ifindex);
  if (link.failed()) return errno;
  return std::variant<PacketLink, int>(std::in_place_index<0>, std::move(link));
}

PacketLink::PacketLink(PacketSocket sock, int ifindex) : sock_(std::move(sock)), ifindex_(ifindex) {
  failed_ = !sock_ || !sock_.bind(ifindex_, htons(ETH_P_ARP));
}

bool PacketLink::send(std::span<const uint8_t> frame) {
  if (failed_) return false;
  sockaddr_ll to = linkAddress(ifindex_);
  to.sll_halen = 6;
  std::copy(frame.begin(), frame.begin() + 6, to.sll_addr);  // the frame's destination
  const ssize_t sent = ::sendto(sock_.get(), frame.data(), frame.size(), 0,
                                reinterpret_cast<const sockaddr*>(&to), sizeof to);
  failed_ = sent != static_cast<ssize_t>(frame.size());
  return !failed_;
}

std::optional<Frame> PacketLink::receive(std::chrono::milliseconds wait) {
  if (failed_) return std::nullopt;
  pollfd entry{sock_.get(), POLLIN, 0};
  const int ready = ::poll(&entry, 1, static_cast<int>(wait.count()));
  if (ready < 0 && errno != EINTR) failed_ = true;
  if (ready <= 0) return std::nullopt;
  Frame frame(kReceiveBuffer);
  const ssize_t got = ::recv(sock_.get(), frame.data(), frame.size(), 0);
  if (got < 0) {
    failed_ = errno != EINTR && errno != EAGAIN;
    return std::nullopt;
  }
  frame.resize(static_cast<size_t>(got));
  return frame;
}

}  // namespace net

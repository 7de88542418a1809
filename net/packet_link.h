// PacketLink: the real FrameLink of an ARP probe, a packet socket that takes
// only ARP frames, bound to one interface. It owns its descriptor. open()
// reports why the socket could not be had (errno; EPERM or EACCES mean the
// packet-socket privilege is missing). A link whose send or wait failed stays
// failed. One thread at a time.
#pragma once

#include <variant>

#include "net/arp_probe.h"
#include "net/packet_socket.h"

namespace net {

class PacketLink : public FrameLink {
 public:
  // Opens and binds a socket on `ifindex`; the errno of the failed step
  // otherwise.
  static std::variant<PacketLink, int> open(int ifindex);
  // Takes a packet socket made elsewhere (e.g. inside another namespace) and
  // binds it to `ifindex`; failed() when that bind fails.
  PacketLink(PacketSocket sock, int ifindex);

  bool send(std::span<const uint8_t> frame) override;
  std::optional<Frame> receive(std::chrono::milliseconds wait) override;
  bool failed() const override { return failed_; }

 private:
  PacketSocket sock_;
  int ifindex_ = 0;
  bool failed_ = false;
};

// A packet socket for a PacketLink in the caller's network namespace, that
// receives nothing until the link binds it: what it later reads arrived on
// the link's interface after the bind. Invalid (with errno set) when it
// cannot be opened.
PacketSocket openArpSocket();

}  // namespace net

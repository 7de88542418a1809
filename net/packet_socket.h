// PacketSocket: one packet socket (AF_PACKET, SOCK_RAW, protocol 0: it takes
// in nothing until a bind names a protocol and an interface), for a discovery's
// capture, an ARP probe or a link watch. Opening needs CAP_NET_RAW, so a
// command can open the sockets it may need up front, under one raise, into the
// process's reserve (holdPacketSockets) and then drop every capability: open()
// takes a socket from the reserve when it holds one and only otherwise opens a
// fresh one under NetRawRaised. Once holdPacketSockets was called, a
// PacketSocket that ends gives its socket back to the reserve, taking in
// nothing again, so a command that discovers again and again (the return wait,
// watch's rounds) reuses the same sockets; before, it is closed (a process of
// tests opens them in many network namespaces, and a socket stays in its own).
// The reserve hands out sockets never bound before while it has them, and
// closes what it holds at once when the process ends: many kernels make each
// close, and each bind of a socket bound before, wait for an RCU grace period.
// A socket from the reserve carries a filter that drops every frame: bind()
// takes it off once the socket is bound, a filter of the caller's own
// (SO_ATTACH_FILTER) replaces it. Adopted sockets (made elsewhere, e.g. in
// another network namespace) are always closed. Any thread; the reserve is
// locked.
#pragma once

#include <cstdint>

#include "net/unique_fd.h"

namespace net {

class PacketSocket {
 public:
  PacketSocket() = default;
  // Takes `fd` over; it is closed, not kept, when this object ends.
  explicit PacketSocket(UniqueFd fd) : fd_(std::move(fd)) {}
  // From the reserve, or opened now; invalid (errno set, EPERM or EACCES when
  // the privilege is missing) when neither gives one. `purpose` names it in the
  // trace of a fresh opening ("packet socket").
  static PacketSocket open(const char* purpose);

  PacketSocket(PacketSocket&& other) noexcept = default;
  PacketSocket& operator=(PacketSocket&& other) noexcept;
  PacketSocket(const PacketSocket&) = delete;
  PacketSocket& operator=(const PacketSocket&) = delete;
  ~PacketSocket() { reset(); }

  int get() const { return fd_.get(); }
  explicit operator bool() const { return fd_.valid(); }
  // Binds to `protocol` (network byte order) on `ifindex`, then lets frames
  // through; false (errno set) when the bind fails.
  bool bind(int ifindex, uint16_t protocol);
  // Gives the socket back (to the reserve when it came from open()).
  void reset();

 private:
  PacketSocket(UniqueFd fd, bool reusable) : fd_(std::move(fd)), reusable_(reusable) {}

  UniqueFd fd_;
  bool reusable_ = false;
};

// Opens sockets under one raise of CAP_NET_RAW until the reserve holds
// `count`; returns how many it holds (fewer when the privilege is missing).
int holdPacketSockets(int count);

}  // namespace net

// A connected pair of local datagram sockets for tests that feed frames to
// code reading a descriptor: datagram boundaries are kept, and a socket filter
// attached to the receiving end runs on each datagram from its first byte, as
// it runs on a captured frame from its Ethernet header.
#pragma once

#include <sys/socket.h>

#include "net/unique_fd.h"

namespace testing_peer {

struct DatagramPair {
  net::UniqueFd sender;
  net::UniqueFd receiver;
};

// Both ends invalid when the pair cannot be made.
inline DatagramPair openDatagramPair() {
  int fds[2];
  if (::socketpair(AF_UNIX, SOCK_DGRAM, 0, fds) != 0) return {};
  return {net::UniqueFd(fds[0]), net::UniqueFd(fds[1])};
}

}  // namespace testing_peer

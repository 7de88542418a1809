// Building IPv4 socket addresses: family AF_INET, the address in network byte
// order and the port in host order (converted here), every other byte zero.
// Pure.
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>

namespace net {

inline sockaddr_in socketAddress(uint32_t ipNetworkOrder, uint16_t portHostOrder) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(portHostOrder);
  address.sin_addr.s_addr = ipNetworkOrder;
  return address;
}

// The generic view that bind, sendto and connect take.
inline const sockaddr* asSockaddr(const sockaddr_in& address) {
  return reinterpret_cast<const sockaddr*>(&address);
}

}  // namespace net

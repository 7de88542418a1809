// Which interface the kernel's routing table sends a destination through, as
// `ip route get` asks it: one RTM_GETROUTE for the address, answered with the
// output interface. Asked of the kernel rather than inferred from a connected
// UDP socket's source address: the answer names the interface itself, also
// when two interfaces hold addresses in one subnet, and no socket is bound.
// Reads only; the caller's network namespace; any thread.
#pragma once

#include <cstdint>

namespace net {

enum class RouteKind {
  kThrough,  // sent through `interfaceIndex`
  kNoRoute,  // the table has no route to it (or one that refuses it)
  kUnknown,  // the kernel could not be asked
};

struct RouteLookup {
  RouteKind kind = RouteKind::kUnknown;
  unsigned interfaceIndex = 0;
};

// `ip` in network byte order.
RouteLookup routeTo(uint32_t ip);

}  // namespace net

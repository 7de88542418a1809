// Asking the kernel over a NETLINK_ROUTE socket, as `ip` does: one request out
// and every message of its answer back (a dump until its end, a get until its
// one reply), in the caller's network namespace. The socket lives for one
// call. Nothing is changed on the host: only get and dump requests are meant.
// Any thread.
#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace net {

struct NetlinkAnswer {
  int error = 0;  // 0, or the errno of the kernel's refusal or of a failed socket call
  // Every message of the answer, netlink header included, in arrival order.
  std::vector<std::vector<uint8_t>> messages;
};

// `type` (RTM_GETLINK, RTM_GETROUTE, ...) with NLM_F_REQUEST and `flags`;
// `body` is what follows the netlink header (the fixed part and attributes).
NetlinkAnswer netlinkAsk(uint16_t type, uint16_t flags, std::span<const uint8_t> body);

// The payloads of the attributes (rtattr) in `area`, by type; the last of a
// type wins. Stops at the first attribute that does not fit. Pure.
std::map<uint16_t, std::span<const uint8_t>> netlinkAttributes(std::span<const uint8_t> area);

}  // namespace net

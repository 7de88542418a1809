#include "net/route_lookup.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "net/netlink_query.h"

namespace net {

namespace {

// The request: the fixed route message, then one RTA_DST attribute.
struct RouteRequest {
  rtmsg route;
  rtattr destination;
  uint32_t address;
};

RouteLookup routeOf(std::span<const uint8_t> message) {
  const std::span<const uint8_t> payload = message.subspan(NLMSG_HDRLEN);
  rtmsg route{};
  std::memcpy(&route, payload.data(), std::min(payload.size(), sizeof route));
  if (route.rtm_type == RTN_UNREACHABLE || route.rtm_type == RTN_BLACKHOLE ||
      route.rtm_type == RTN_PROHIBIT || payload.size() < NLMSG_ALIGN(sizeof route)) {
    return {RouteKind::kNoRoute, 0};
  }
  const auto attributes = netlinkAttributes(payload.subspan(NLMSG_ALIGN(sizeof route)));
  const auto oif = attributes.find(RTA_OIF);
  if (oif == attributes.end() || oif->second.size() < sizeof(uint32_t)) return {};
  uint32_t index = 0;
  std::memcpy(&index, oif->second.data(), sizeof index);
  return {RouteKind::kThrough, index};
}

}  // namespace

RouteLookup routeTo(uint32_t ip) {
  RouteRequest request{};
  request.route.rtm_family = AF_INET;
  request.route.rtm_dst_len = 32;
  request.destination.rta_len = RTA_LENGTH(sizeof request.address);
  request.destination.rta_type = RTA_DST;
  request.address = ip;
  const NetlinkAnswer answer =
      netlinkAsk(RTM_GETROUTE, 0, {reinterpret_cast<const uint8_t*>(&request), sizeof request});
  const std::array<int, 3> refusals = {ENETUNREACH, EHOSTUNREACH, EACCES};
  if (std::find(refusals.begin(), refusals.end(), answer.error) != refusals.end()) {
    return {RouteKind::kNoRoute, 0};
  }
  if (answer.error != 0 || answer.messages.empty()) return {};
  return routeOf(answer.messages.front());
}

}  // namespace net

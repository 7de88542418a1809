#include "net/link_facts.h"

#include <linux/ethtool.h>
#include <linux/if_link.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <sys/ioctl.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

#include "net/netlink_query.h"
#include "net/unique_fd.h"

namespace net {

namespace {

uint32_t u32Of(std::span<const uint8_t> payload) {
  uint32_t value = 0;
  std::memcpy(&value, payload.data(), std::min(payload.size(), sizeof value));
  return value;
}

// The speed the driver reports; none when it reports none or SPEED_UNKNOWN.
std::optional<unsigned> speedOf(int fd, const std::string& name) {
  ethtool_cmd command{};
  command.cmd = ETHTOOL_GSET;
  ifreq request{};
  std::strncpy(request.ifr_name, name.c_str(), IFNAMSIZ - 1);
  request.ifr_data = reinterpret_cast<char*>(&command);
  if (::ioctl(fd, SIOCETHTOOL, &request) != 0) return std::nullopt;
  const uint32_t speed = ethtool_cmd_speed(&command);
  if (speed == 0 || speed == static_cast<uint32_t>(SPEED_UNKNOWN)) return std::nullopt;
  return speed;
}

LinkFacts linkOf(std::span<const uint8_t> message) {
  const std::span<const uint8_t> payload = message.subspan(NLMSG_HDRLEN);
  ifinfomsg info{};
  std::memcpy(&info, payload.data(), std::min(payload.size(), sizeof info));
  LinkFacts link;
  link.index = static_cast<unsigned>(info.ifi_index);
  link.up = (info.ifi_flags & IFF_UP) != 0;
  if (payload.size() < NLMSG_ALIGN(sizeof info)) return link;
  const auto attributes = netlinkAttributes(payload.subspan(NLMSG_ALIGN(sizeof info)));
  auto get = [&](uint16_t type) {
    const auto found = attributes.find(type);
    return found == attributes.end() ? std::nullopt : std::optional(found->second);
  };
  if (const auto name = get(IFLA_IFNAME)) {
    link.name.assign(reinterpret_cast<const char*>(name->data()), name->size());
    link.name.erase(std::find(link.name.begin(), link.name.end(), '\0'), link.name.end());
  }
  if (const auto carrier = get(IFLA_CARRIER))
    link.carrier = !carrier->empty() && (*carrier)[0] != 0;
  if (const auto mtu = get(IFLA_MTU)) link.mtu = u32Of(*mtu);
  if (const auto maxMtu = get(IFLA_MAX_MTU)) link.maxMtu = u32Of(*maxMtu);
  // A parent in another namespace (a veth's peer) is no device of ours.
  if (const auto parent = get(IFLA_LINK); parent && !get(IFLA_LINK_NETNSID)) {
    link.parent = u32Of(*parent);
  }
  if (const auto info = get(IFLA_LINKINFO)) {
    const auto nested = netlinkAttributes(*info);
    if (const auto kind = nested.find(IFLA_INFO_KIND); kind != nested.end()) {
      link.kind.assign(reinterpret_cast<const char*>(kind->second.data()), kind->second.size());
      link.kind.erase(std::find(link.kind.begin(), link.kind.end(), '\0'), link.kind.end());
    }
  }
  return link;
}

}  // namespace

std::vector<LinkFacts> readLinkFacts() {
  ifinfomsg request{};
  request.ifi_family = AF_UNSPEC;
  const NetlinkAnswer answer = netlinkAsk(
      RTM_GETLINK, NLM_F_DUMP, {reinterpret_cast<const uint8_t*>(&request), sizeof request});
  std::vector<LinkFacts> links;
  if (answer.error != 0) return links;
  const UniqueFd query(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  for (const std::vector<uint8_t>& message : answer.messages) {
    LinkFacts link = linkOf(message);
    if (link.name.empty()) continue;
    if (query) link.speedMbps = speedOf(query.get(), link.name);
    links.push_back(std::move(link));
  }
  return links;
}

const LinkFacts* findLink(const std::vector<LinkFacts>& links, const std::string& name) {
  const auto found =
      std::find_if(links.begin(), links.end(), [&](const LinkFacts& l) { return l.name == name; });
  return found == links.end() ? nullptr : &*found;
}

}  // namespace net

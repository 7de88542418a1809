#include "net/host_interfaces.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>

#include <algorithm>
#include <memory>

namespace net {

namespace {

struct IfAddrsFree {
  void operator()(ifaddrs* list) const { ::freeifaddrs(list); }
};

Ipv4 ipv4Of(const sockaddr* address) {
  if (address == nullptr || address->sa_family != AF_INET) return {};
  return Ipv4::fromNetwork(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
}

// An address with a label ("eth0:1") belongs to the interface before the ':'.
std::string interfaceOf(const char* name) {
  const std::string text(name);
  return text.substr(0, text.find(':'));
}

HostInterface& entryFor(std::vector<HostInterface>& interfaces, const ifaddrs& item) {
  const std::string name = interfaceOf(item.ifa_name);
  const auto found = std::find_if(interfaces.begin(), interfaces.end(),
                                  [&](const HostInterface& i) { return i.name == name; });
  if (found != interfaces.end()) return *found;
  HostInterface added;
  added.name = name;
  added.up = (item.ifa_flags & IFF_UP) != 0;
  added.running = (item.ifa_flags & IFF_RUNNING) != 0;
  added.loopback = (item.ifa_flags & IFF_LOOPBACK) != 0;
  interfaces.push_back(added);
  return interfaces.back();
}

void take(HostInterface& entry, const ifaddrs& item) {
  const int family = item.ifa_addr->sa_family;
  if (family == AF_INET) {
    entry.addresses.push_back({ipv4Of(item.ifa_addr), ipv4Of(item.ifa_netmask)});
  } else if (family == AF_PACKET) {
    const auto* link = reinterpret_cast<const sockaddr_ll*>(item.ifa_addr);
    entry.mac.setMac(link->sll_addr, link->sll_halen);
    entry.index = static_cast<unsigned>(link->sll_ifindex);
  }
}

}  // namespace

std::vector<HostInterface> listHostInterfaces() {
  ifaddrs* raw = nullptr;
  if (::getifaddrs(&raw) != 0) return {};
  const std::unique_ptr<ifaddrs, IfAddrsFree> list(raw);
  std::vector<HostInterface> interfaces;
  for (const ifaddrs* item = list.get(); item != nullptr; item = item->ifa_next) {
    if (item->ifa_addr == nullptr) continue;
    take(entryFor(interfaces, *item), *item);
  }
  // The link entries carry the index; ask by name (a socket each) only where
  // the kernel listed none.
  for (HostInterface& entry : interfaces)
    if (entry.index == 0) entry.index = ::if_nametoindex(entry.name.c_str());
  std::stable_sort(
      interfaces.begin(), interfaces.end(),
      [](const HostInterface& a, const HostInterface& b) { return a.index < b.index; });
  return interfaces;
}

std::vector<Adaptor> ipv4Adapters(const std::vector<HostInterface>& interfaces) {
  std::vector<Adaptor> adapters;
  for (const HostInterface& entry : interfaces) {
    for (const InterfaceAddress& address : entry.addresses) {
      adapters.emplace_back(entry.name, entry.mac, address.ip.network(), address.mask.network());
    }
  }
  return adapters;
}

}  // namespace net

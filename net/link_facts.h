// The link state of the host's interfaces as the kernel reports it now, in
// the caller's network namespace: one RTM_GETLINK dump (administratively up,
// carrier, MTU and the largest MTU the device accepts) and, per interface, the
// speed its driver reports (SIOCETHTOOL). Reads only; values; any thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace net {

struct LinkFacts {
  std::string name;
  unsigned index = 0;
  bool up = false;       // administratively up
  bool carrier = false;  // the link has a carrier
  unsigned mtu = 0;
  std::optional<unsigned> maxMtu;     // when the kernel says it (IFLA_MAX_MTU)
  std::optional<unsigned> speedMbps;  // when the driver reports a speed
  std::string kind;     // the driver's link kind ("macvlan", "vlan", "veth"), when virtual
  unsigned parent = 0;  // the device below it in this namespace (IFLA_LINK), 0 when none
};

// Every interface in the kernel's order; empty when the kernel cannot be asked.
std::vector<LinkFacts> readLinkFacts();

// The facts of interface `name` in `links`, or nullptr; it points into `links`,
// which must outlive it (so no temporary list).
const LinkFacts* findLink(const std::vector<LinkFacts>& links, const std::string& name);
const LinkFacts* findLink(std::vector<LinkFacts>&& links, const std::string& name) = delete;

}  // namespace net

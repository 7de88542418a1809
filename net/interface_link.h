// Which link (broadcast domain) a host interface hears. A macvlan or ipvlan
// interface hears its parent's wire, so a camera there answers through both:
// they are one link, named after the device under them. An 802.1Q VLAN
// interface is not: its frames carry a tag, and the cameras it hears are not
// the untagged ones of its parent. Read from the kernel's link list of the
// caller's namespace; an interface it does not know is its own link.
#pragma once

#include <string>
#include <vector>

#include "net/link_facts.h"

namespace net {

// The name of the link `interface` hears through, among `links`.
std::string linkOf(const std::string& interface, const std::vector<LinkFacts>& links);

// Two interface names on one link (equal names always are); asks the kernel
// only when the names differ.
bool sameLink(const std::string& a, const std::string& b);

}  // namespace net

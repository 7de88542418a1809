#include "net/interface_link.h"

#include <algorithm>
#include <array>

namespace net {

namespace {

// The kinds that receive their parent's frames as they are on the wire.
bool hearsParentWire(const std::string& kind) {
  static constexpr std::array<const char*, 4> kKinds = {"macvlan", "macvtap", "ipvlan", "ipvtap"};
  return std::find(kKinds.begin(), kKinds.end(), kind) != kKinds.end();
}

const LinkFacts* byIndex(const std::vector<LinkFacts>& links, unsigned index) {
  const auto found =
      std::find_if(links.begin(), links.end(), [&](const LinkFacts& l) { return l.index == index; });
  return found == links.end() ? nullptr : &*found;
}

}  // namespace

std::string linkOf(const std::string& interface, const std::vector<LinkFacts>& links) {
  const LinkFacts* link = findLink(links, interface);
  // A macvlan's parent is never another macvlan, but the bound keeps a
  // kernel answer of any shape from looping.
  for (size_t step = 0; link && step < links.size() && hearsParentWire(link->kind); ++step) {
    const LinkFacts* parent = byIndex(links, link->parent);
    if (!parent) break;
    link = parent;
  }
  return link ? link->name : interface;
}

bool sameLink(const std::string& a, const std::string& b) {
  if (a == b) return true;
  const std::vector<LinkFacts> links = readLinkFacts();
  return linkOf(a, links) == linkOf(b, links);
}

}  // namespace net

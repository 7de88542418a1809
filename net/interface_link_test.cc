#include "net/interface_link.h"

#include <gtest/gtest.h>

namespace {

net::LinkFacts link(const std::string& name, unsigned index, const std::string& kind,
                    unsigned parent) {
  net::LinkFacts facts;
  facts.name = name;
  facts.index = index;
  facts.kind = kind;
  facts.parent = parent;
  return facts;
}

TEST(InterfaceLink, MacvlansShareTheirParentsLinkWhereVlansAndVethPeersDoNot) {
  const std::vector<net::LinkFacts> links = {
      link("eth1", 2, "", 0),       link("mv1", 3, "macvlan", 2),  link("iv1", 4, "ipvlan", 2),
      link("eth1.5", 5, "vlan", 2), link("mv5", 6, "macvlan", 5),  link("v0", 7, "veth", 8),
      link("v1", 8, "veth", 7),     link("mv9", 9, "macvlan", 42),
  };
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"eth1", "eth1"}, {"mv1", "eth1"}, {"iv1", "eth1"}, {"eth1.5", "eth1.5"}, {"mv5", "eth1.5"},
      {"v0", "v0"},     {"v1", "v1"},    {"mv9", "mv9"},  {"gone0", "gone0"},
  };
  for (const auto& [interface, linkName] : expected) {
    EXPECT_EQ(net::linkOf(interface, links), linkName) << interface;
  }
}

}  // namespace

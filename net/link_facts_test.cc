// The kernel's own answers about the loopback interface, which every network
// namespace has: read-only queries, nothing is sent on any link.
#include "net/link_facts.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include "net/route_lookup.h"

namespace {

TEST(LinkFacts, LoopbackIsListedUpWithItsMtu) {
  const std::vector<net::LinkFacts> links = net::readLinkFacts();
  const net::LinkFacts* lo = net::findLink(links, "lo");
  ASSERT_NE(lo, nullptr);
  EXPECT_TRUE(lo->up);
  EXPECT_GT(lo->mtu, 0u);
}

TEST(RouteLookup, LoopbackAddressLeavesThroughLoopback) {
  const net::RouteLookup route = net::routeTo(htonl(INADDR_LOOPBACK));
  ASSERT_EQ(route.kind, net::RouteKind::kThrough);
  const std::vector<net::LinkFacts> links = net::readLinkFacts();
  const net::LinkFacts* lo = net::findLink(links, "lo");
  ASSERT_NE(lo, nullptr);
  EXPECT_EQ(route.interfaceIndex, lo->index);
}

}  // namespace

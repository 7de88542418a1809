// The interface list of this process's own namespace (only loopback is
// looked at), and adapters made from a list given by the test.
#include "net/host_interfaces.h"

#include <gtest/gtest.h>
#include <net/if.h>

#include <algorithm>

namespace {

net::Ipv4 ip(const char* text) { return *net::Ipv4::parse(text); }

TEST(HostInterfacesTest, LoopbackIsListedWithItsIndexFlagsAndAddress) {
  const std::vector<net::HostInterface> all = net::listHostInterfaces();
  const auto lo = std::find_if(all.begin(), all.end(),
                               [](const net::HostInterface& i) { return i.name == "lo"; });
  ASSERT_NE(lo, all.end());
  EXPECT_EQ(lo->index, ::if_nametoindex("lo"));
  EXPECT_TRUE(lo->loopback);
  ASSERT_FALSE(lo->addresses.empty());
  EXPECT_EQ(lo->addresses.front().ip, ip("127.0.0.1"));
  EXPECT_EQ(lo->addresses.front().mask, ip("255.0.0.0"));
}

TEST(HostInterfacesTest, EveryAddressOfEveryInterfaceIsOneAdapter) {
  net::HostInterface eth;
  eth.name = "eth7";
  eth.addresses = {{ip("192.168.10.1"), ip("255.255.255.0")}, {ip("10.0.0.1"), ip("255.0.0.0")}};
  net::HostInterface bare;
  bare.name = "eth8";  // no IPv4 address: no adapter
  const std::vector<Adaptor> adapters = net::ipv4Adapters({eth, bare});
  ASSERT_EQ(adapters.size(), 2u);
  EXPECT_EQ(adapters[0].getName(), "eth7");
  EXPECT_EQ(adapters[0].getIp(), "192.168.10.1");
  EXPECT_EQ(adapters[0].getNetmask(), "255.255.255.0");
  EXPECT_EQ(adapters[1].getIp(), "10.0.0.1");
  EXPECT_EQ(adapters[1].netmaskValue(), ip("255.0.0.0").network());
}

}  // namespace

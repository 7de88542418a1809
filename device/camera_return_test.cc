#include "device/camera_return.h"

#include <gtest/gtest.h>

namespace device {
namespace {

constexpr net::Ipv4 kPersistent = net::Ipv4::fromHost(0xC0A80A32);  // 192.168.10.50
constexpr net::Ipv4 kOther = net::Ipv4::fromHost(0xC0A80A33);
constexpr net::Ipv4 kLinkLocal = net::Ipv4::fromHost(0xA9FE0102);  // 169.254.1.2
constexpr net::Ipv4 kNone;

// The configuration values are written as numbers: 0x5 persistent and LLA,
// 0x6 DHCP and LLA, 0x4 LLA only, 0x7 all three.
TEST(UnexpectedReturnTest, PersistentWithAStoredAddressMustComeBackThere) {
  EXPECT_EQ(unexpectedReturn(0x5, kPersistent, kPersistent), std::nullopt);
  EXPECT_EQ(unexpectedReturn(0x7, kPersistent, kPersistent), std::nullopt);
  EXPECT_EQ(unexpectedReturn(0x5, kPersistent, kLinkLocal).value_or(""),
            "expected its persistent address 192.168.10.50");
  EXPECT_TRUE(unexpectedReturn(0x5, kPersistent, kOther));
}

TEST(UnexpectedReturnTest, DhcpTakesAnyAddressAndLlaOnlyLinkLocal) {
  EXPECT_EQ(unexpectedReturn(0x6, kNone, kOther), std::nullopt);
  EXPECT_EQ(unexpectedReturn(0x6, kNone, kLinkLocal), std::nullopt);
  EXPECT_TRUE(unexpectedReturn(0x6, kNone, kNone));
  EXPECT_EQ(unexpectedReturn(0x4, kPersistent, kLinkLocal), std::nullopt);
  EXPECT_EQ(unexpectedReturn(0x4, kNone, kOther).value_or(""),
            "expected a link-local address in 169.254.0.0/16");
  // Persistent without a stored address falls through to the next method.
  EXPECT_EQ(unexpectedReturn(0x5, kNone, kLinkLocal), std::nullopt);
}

}  // namespace
}  // namespace device

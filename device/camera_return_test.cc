#include "device/camera_return.h"

#include <gtest/gtest.h>

namespace device {
namespace {

constexpr uint32_t kPersistent = 0xC0A80A32;  // 192.168.10.50
constexpr uint32_t kOther = 0xC0A80A33;
constexpr uint32_t kLinkLocal = 0xA9FE0102;  // 169.254.1.2

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
  EXPECT_EQ(unexpectedReturn(0x6, 0, kOther), std::nullopt);
  EXPECT_EQ(unexpectedReturn(0x6, 0, kLinkLocal), std::nullopt);
  EXPECT_TRUE(unexpectedReturn(0x6, 0, 0));
  EXPECT_EQ(unexpectedReturn(0x4, kPersistent, kLinkLocal), std::nullopt);
  EXPECT_EQ(unexpectedReturn(0x4, 0, kOther).value_or(""),
            "expected a link-local address in 169.254.0.0/16");
  // Persistent without a stored address falls through to the next method.
  EXPECT_EQ(unexpectedReturn(0x5, 0, kLinkLocal), std::nullopt);
}

}  // namespace
}  // namespace device

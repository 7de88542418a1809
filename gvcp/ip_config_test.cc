#include "gvcp/ip_config.h"

#include <gtest/gtest.h>

namespace {

// The register bits as the GigE Vision bootstrap registers define them,
// written out here apart from the table.
TEST(IpConfigBits, TableOrderBitsAndNames) {
  ASSERT_EQ(gvcp::kIpConfigBits.size(), 3u);
  EXPECT_EQ(gvcp::kIpConfigBits[0].bit, 0x1u);
  EXPECT_STREQ(gvcp::kIpConfigBits[0].name, "persistent");
  EXPECT_STREQ(gvcp::kIpConfigBits[0].label, "Persistent IP");
  EXPECT_EQ(gvcp::kIpConfigBits[1].bit, 0x2u);
  EXPECT_STREQ(gvcp::kIpConfigBits[1].name, "dhcp");
  EXPECT_EQ(gvcp::kIpConfigBits[2].bit, 0x4u);
  EXPECT_STREQ(gvcp::kIpConfigBits[2].name, "lla");
}

TEST(IpConfigBits, NamesFollowTableOrderAndIgnoreHigherBits) {
  EXPECT_EQ(gvcp::ipConfigNames(0x5), (std::vector<std::string>{"persistent", "lla"}));
  EXPECT_EQ(gvcp::ipConfigNames(0x7), (std::vector<std::string>{"persistent", "dhcp", "lla"}));
  EXPECT_TRUE(gvcp::ipConfigNames(0xFFFFFFF8).empty());
}

TEST(IpConfigBits, FlagIsUnknownWhenTheReadFailed) {
  EXPECT_EQ(gvcp::ipConfigFlag(0x2, 0x2), 'Y');
  EXPECT_EQ(gvcp::ipConfigFlag(0x5, 0x2), 'N');
  EXPECT_EQ(gvcp::ipConfigFlag(std::nullopt, 0x2), '?');
}

}  // namespace

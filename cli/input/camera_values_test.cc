#include "cli/input/camera_values.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

// The register values are written out here as numbers, independent of the
// register map's names.
TEST(IpModeTest, EachModeWritesItsValueAndNeedsItsSupportBit) {
  EXPECT_EQ(configValue(*parseIpMode("persistent"), 0x7), 0x5u);
  EXPECT_EQ(configValue(*parseIpMode("dhcp"), 0x7), 0x6u);
  EXPECT_EQ(configValue(*parseIpMode("lla"), 0x7), 0x4u);
  // A camera without LLA: the mode alone (and LLA itself only when forced).
  EXPECT_EQ(configValue(IpMode::kPersistent, 0x3), 0x1u);
  EXPECT_EQ(configValue(IpMode::kLla, 0x3), 0x4u);
  EXPECT_EQ(supportBit(IpMode::kPersistent), 0x1u);
  EXPECT_EQ(supportBit(IpMode::kDhcp), 0x2u);
  EXPECT_EQ(supportBit(IpMode::kLla), 0x4u);
  EXPECT_STREQ(ipModeName(IpMode::kDhcp), "dhcp");
}

TEST(IpModeTest, OtherSpellingsAreRefused) {
  for (const char* text : {"", "Persistent", "DHCP", "static", "lla ", "auto"}) {
    EXPECT_EQ(parseIpMode(text), std::nullopt) << text;
  }
}

TEST(UserNameTest, OneToFifteenPrintableAsciiBytes) {
  EXPECT_EQ(userNameProblem("a"), std::nullopt);
  EXPECT_EQ(userNameProblem("line 3 cam ~ #1"), std::nullopt);  // 15 bytes
  EXPECT_EQ(userNameProblem("").value_or(""), "empty");
  EXPECT_EQ(userNameProblem("line 3 cam ~ #12").value_or(""), "longer than 15 bytes");
  EXPECT_EQ(userNameProblem("cam\tone").value_or(""), "not printable ASCII");
  EXPECT_EQ(userNameProblem("caf\xc3\xa9").value_or(""), "not printable ASCII");
  EXPECT_EQ(userNameProblem(std::string_view("a\0b", 3)).value_or(""), "not printable ASCII");
}

}  // namespace
}  // namespace cli

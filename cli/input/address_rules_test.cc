#include "cli/input/address_rules.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

constexpr auto host = net::Ipv4::fromHost;

TEST(DottedQuadTest, AcceptsOnlyFourDecimalOctets) {
  EXPECT_EQ(parseDottedQuad("192.168.10.11"), host(0xC0A80A0B));
  EXPECT_EQ(parseDottedQuad("0.0.0.0"), host(0));
  EXPECT_EQ(parseDottedQuad("255.255.255.255"), host(0xFFFFFFFF));
  EXPECT_EQ(parseDottedQuad("010.001.000.009"), host(0x0A010009));  // leading zeros stay decimal
  for (const char* bad :
       {"", "10.1", "10.0.0", "10.0.0.1.", "10.0.0.1.5", "256.0.0.1", "1.2.3.4 ", " 1.2.3.4",
        "+1.2.3.4", "1..3.4", "1.2.3.0x4", "0001.2.3.4", "1.2.3.-4", "1,2,3,4", "a.b.c.d"}) {
    EXPECT_EQ(parseDottedQuad(bad), std::nullopt) << bad;
  }
}

TEST(DottedQuadTest, TextRoundTrips) {
  EXPECT_EQ(parseDottedQuad(host(0xFE01807F).text()), host(0xFE01807F));
}

TEST(SubnetMaskTest, OnlyARunOfOnesFromTheTopIsAMask) {
  EXPECT_TRUE(isContiguousMask(host(0xFFFFFF00)));
  EXPECT_TRUE(isContiguousMask(host(0x80000000)));
  EXPECT_TRUE(isContiguousMask(host(0xFFFFFFFF)));
  EXPECT_FALSE(isContiguousMask(host(0)));
  EXPECT_FALSE(isContiguousMask(host(0xFF00FF00)));
  EXPECT_FALSE(isContiguousMask(host(0x00FFFFFF)));
  EXPECT_FALSE(isContiguousMask(host(0xFFFFFFFE ^ 0x100)));
  EXPECT_EQ(prefixLength(host(0xFFFFF000)), 20);
}

struct HostCase {
  const char* ip;
  const char* mask;
  const char* reason;  // nullptr: acceptable
};

class HostAddressTest : public ::testing::TestWithParam<HostCase> {};

TEST_P(HostAddressTest, NamesTheReasonOrAccepts) {
  const HostCase c = GetParam();
  const auto reason = hostAddressProblem(*parseDottedQuad(c.ip), *parseDottedQuad(c.mask));
  if (c.reason == nullptr) {
    EXPECT_EQ(reason, std::nullopt) << c.ip;
  } else {
    EXPECT_EQ(reason.value_or("accepted"), c.reason) << c.ip;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Addresses, HostAddressTest,
    ::testing::Values(
        HostCase{"192.168.10.11", "255.255.255.0", nullptr},
        HostCase{"192.168.10.1", "255.255.255.0", nullptr},
        HostCase{"192.168.10.254", "255.255.255.0", nullptr},
        HostCase{"10.0.255.255", "255.0.0.0", nullptr},
        HostCase{"192.168.10.0", "255.255.255.0", "the network address of its subnet"},
        HostCase{"192.168.10.255", "255.255.255.0", "the broadcast address of its subnet"},
        HostCase{"192.168.11.255", "255.255.254.0", "the broadcast address of its subnet"},
        HostCase{"0.0.0.0", "255.255.255.0", "not a host address"},
        HostCase{"127.0.0.5", "255.255.255.0", "a loopback address"},
        HostCase{"224.0.0.5", "255.255.255.0", "a multicast address"},
        HostCase{"239.255.1.1", "255.255.0.0", "a multicast address"},
        HostCase{"255.255.255.255", "255.255.255.0", "the limited broadcast address"}));

std::variant<AddressSet, AddressProblem> check(const char* ip, const char* mask,
                                               const char* gateway = "") {
  return checkAddressSet({"--ip", ip}, {"--mask", mask}, {"--gateway", gateway});
}

std::string problemLine(const std::variant<AddressSet, AddressProblem>& result) {
  const auto* bad = std::get_if<AddressProblem>(&result);
  return bad == nullptr ? "accepted" : bad->message();
}

TEST(AddressSetTest, GoodSetWithAndWithoutGateway) {
  EXPECT_EQ(std::get<AddressSet>(check("192.168.10.50", "255.255.255.0")),
            (AddressSet::fromHost(0xC0A80A32, 0xFFFFFF00, 0)));
  EXPECT_EQ(std::get<AddressSet>(check("192.168.10.50", "255.255.255.0", "192.168.10.1")),
            (AddressSet::fromHost(0xC0A80A32, 0xFFFFFF00, 0xC0A80A01)));
  EXPECT_TRUE(
      std::get<AddressSet>(check("192.168.10.50", "255.255.255.0", "0.0.0.0")).gateway.isZero());
}

TEST(AddressSetTest, EachFaultNamesItsArgumentAndTheValueAsGiven) {
  EXPECT_EQ(problemLine(check("192.168.10.50", "255.0.255.0")),
            "--mask 255.0.255.0: not a contiguous subnet mask");
  EXPECT_EQ(problemLine(check("192.168.10.50", "0.0.0.0")),
            "--mask 0.0.0.0: not a contiguous subnet mask");
  EXPECT_EQ(problemLine(check("192.168.10.50", "255.255.255")),
            "--mask 255.255.255: not a dotted IPv4 address");
  EXPECT_EQ(problemLine(check("192.168.010.255", "255.255.255.0")),
            "--ip 192.168.010.255: the broadcast address of its subnet");
  EXPECT_EQ(problemLine(check("192.168.10.50", "255.255.255.0", "192.168.11.1")),
            "--gateway 192.168.11.1: not in the subnet of 192.168.10.50/24");
  EXPECT_EQ(problemLine(check("192.168.10.50", "255.255.255.0", "gw")),
            "--gateway gw: not a dotted IPv4 address");
}

TEST(AddressSetTest, AnAddressPickedLaterLeavesOnlyTheGatewayToJudge) {
  const auto partial = checkMaskAndGateway({"--mask", "255.255.255.0"}, {"--gateway", "10.0.0.1"});
  ASSERT_TRUE(std::holds_alternative<AddressSet>(partial));
  AddressSet picked = std::get<AddressSet>(partial);
  EXPECT_TRUE(picked.ip.isZero());
  picked.ip = host(0x0A000032);  // 10.0.0.50
  EXPECT_FALSE(gatewayProblem(picked));
  picked.ip = host(0x0A000132);  // 10.0.1.50
  EXPECT_EQ(gatewayProblem(picked), "not in the subnet of 10.0.1.50/24");
  EXPECT_EQ(problemLine(checkMaskAndGateway({"--mask", "255.255.0.255"}, {"--gateway", ""})),
            "--mask 255.255.0.255: not a contiguous subnet mask");
}

TEST(AddressSetTest, ControlBytesInTheGivenTextAreNotEchoed) {
  EXPECT_EQ(problemLine(check("1.2.3.4\x1b[2J", "255.255.255.0")),
            "--ip 1.2.3.4?[2J: not a dotted IPv4 address");
}

}  // namespace
}  // namespace cli

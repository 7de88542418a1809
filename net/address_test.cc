#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>

#include "net/ipv4.h"
#include "net/ipv4address.h"
#include "net/macaddress.h"

namespace {

std::array<uint8_t, 4> memoryBytes(uint32_t value) {
  std::array<uint8_t, 4> bytes;
  std::memcpy(bytes.data(), &value, 4);
  return bytes;
}

TEST(IpV4AddressTest, TextRoundTripKeepsWireOrder) {
  IpV4Address a;
  a.setAddress(std::string("10.0.0.1"));
  EXPECT_EQ(a.getAddressInStr(), "10.0.0.1");
  EXPECT_EQ(memoryBytes(a.getAddress()), (std::array<uint8_t, 4>{0x0A, 0x00, 0x00, 0x01}));
}

TEST(IpV4AddressTest, RejectedTextKeepsPreviousValue) {
  IpV4Address a;
  a.setAddress(std::string("192.168.1.10"));
  for (const char* bad : {"", "256.1.1.1", "camera.local", "1.2.3", "1.2.3.4 ", " 1.2.3.4"}) {
    a.setAddress(std::string(bad));
    EXPECT_EQ(a.getAddressInStr(), "192.168.1.10") << bad;
  }
}

TEST(IpV4AddressTest, ZeroAndSocketAddressForms) {
  IpV4Address a;
  EXPECT_EQ(a.getAddressInStr(), "0.0.0.0");
  sockaddr_in sin{};
  sin.sin_family = AF_INET;
  sin.sin_addr.s_addr = htonl(0xC0A8010A);
  sockaddr generic;
  std::memcpy(&generic, &sin, sizeof generic);
  a.setAddress(generic);
  EXPECT_EQ(a.getAddressInStr(), "192.168.1.10");
  a.setAddress(0u);
  EXPECT_EQ(a.getAddressInStr(), "0.0.0.0");
}

TEST(Ipv4Test, EdgesAgreeOnByteOrderAndOrderNumerically) {
  const net::Ipv4 a = net::Ipv4::fromHost(0xC0A80A0B);
  EXPECT_EQ(a.text(), "192.168.10.11");
  EXPECT_EQ(memoryBytes(a.network()), (std::array<uint8_t, 4>{0xC0, 0xA8, 0x0A, 0x0B}));
  EXPECT_EQ(net::Ipv4::fromNetwork(a.network()), a);
  EXPECT_EQ(net::Ipv4::parse("192.168.10.11"), a);
  EXPECT_FALSE(net::Ipv4::parse("192.168.010.11"));
  EXPECT_LT(net::Ipv4::fromHost(0x0A0000FF), net::Ipv4::fromHost(0x0B000001));
}

TEST(MacAddressTest, FormatsUpperAndLowerCase) {
  const unsigned char bytes[6] = {0x02, 0x1a, 0x2b, 0x3c, 0x4d, 0x5e};
  MacAddress mac;
  EXPECT_EQ(mac.getMacInStr(true), "00:00:00:00:00:00");
  mac.setMac(bytes, 6);
  EXPECT_EQ(mac.getMacInStr(true), "02:1A:2B:3C:4D:5E");
  EXPECT_EQ(mac.getMacInStr(false), "02:1a:2b:3c:4d:5e");
}

TEST(MacAddressTest, ShortCountReplacesOnlyLeadingBytes) {
  const unsigned char first[6] = {1, 2, 3, 4, 5, 6};
  const unsigned char second[6] = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
  MacAddress mac;
  mac.setMac(first, 6);
  mac.setMac(second, 4);
  EXPECT_EQ(mac.getMacInStr(true), "AA:BB:CC:DD:05:06");
}

TEST(MacAddressTest, OversizeOrNegativeCountNeverWritesPastSixBytes) {
  // The MAC sits between two guards; a count of 64 must not touch them.
  struct Guarded {
    uint64_t before = 0x1111111111111111;
    MacAddress mac;
    uint64_t after = 0x2222222222222222;
  } g;
  unsigned char source[64];
  std::memset(source, 0xAB, sizeof source);
  g.mac.setMac(source, 64);
  EXPECT_EQ(g.mac.getMacInStr(true), "AB:AB:AB:AB:AB:AB");
  EXPECT_EQ(g.before, 0x1111111111111111u);
  EXPECT_EQ(g.after, 0x2222222222222222u);
  g.mac.setMac(source, -5);
  EXPECT_EQ(g.mac.getMacInStr(true), "AB:AB:AB:AB:AB:AB");
}

TEST(MacAddressTest, HardwareBytesAndSocketAddressForm) {
  sockaddr generic{};
  const unsigned char bytes[6] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  std::memcpy(generic.sa_data, bytes, 6);
  MacAddress mac;
  mac.setMac(generic);
  unsigned char out[6] = {};
  EXPECT_EQ(mac.getMacHw(out, 6), 0);
  EXPECT_EQ(std::memcmp(out, bytes, 6), 0);
  MacAddress copy = mac;
  EXPECT_EQ(copy.getMacInStr(true), "00:11:22:33:44:55");
}

}  // namespace

TEST(MacTextTest, ColonOrDashInEitherCaseGivesTheSameBytes) {
  const unsigned char wire[6] = {0x02, 0x11, 0xAB, 0x33, 0xcd, 0xFF};
  MacAddress expected;
  expected.setMac(wire, 6);
  for (const char* text : {"02:11:ab:33:cd:ff", "02:11:AB:33:CD:FF", "02-11-Ab-33-cD-ff"}) {
    EXPECT_EQ(net::parseMacText(text), expected) << text;
  }
}

TEST(MacTextTest, AnythingElseIsRefused) {
  for (const char* text : {"", "02:11:ab:33:cd", "02:11:ab:33:cd:ff:", "02:11-ab:33:cd:ff",
                           "02.11.ab.33.cd.ff", "0211ab33cdff", "02:11:ab:33:cd:fg",
                           " 02:11:ab:33:cd:f", "2:11:ab:33:cd:ff0", "02::1:ab:33:cd:ff"}) {
    EXPECT_EQ(net::parseMacText(text), std::nullopt) << text;
  }
}

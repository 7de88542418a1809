#include "cli/input/selector.h"

#include <gtest/gtest.h>

namespace cli {

namespace {

constexpr net::Mac kMac = {0x02, 0x11, 0x22, 0x33, 0xAB, 0xCD};

TEST(SelectorParse, MacInAnyCaseWithEitherSeparator) {
  for (const char* text : {"02:11:22:33:ab:cd", "02:11:22:33:AB:CD", "02-11-22-33-Ab-cD"}) {
    const SelectorParse p = parseSelector(text);
    ASSERT_TRUE(p.selector) << text;
    EXPECT_EQ(p.selector->kind, Selector::Kind::kMac) << text;
    EXPECT_EQ(p.selector->mac, kMac) << text;
  }
}

TEST(SelectorParse, MixedSeparatorsOrBadDigitsAreNoMac) {
  // Seventeen bytes are too long for a name as well.
  for (const char* text : {"02:11-22:33:ab:cd", "02:11:22:33:ab:cg"}) {
    const SelectorParse p = parseSelector(text);
    EXPECT_FALSE(p.selector) << text;
  }
  const SelectorParse shortForm = parseSelector("2:11:22:33:ab:cd");
  ASSERT_TRUE(shortForm.selector);
  EXPECT_EQ(shortForm.selector->kind, Selector::Kind::kName);
}

TEST(SelectorParse, DottedAddressIsKeptInNetworkOrder) {
  const SelectorParse p = parseSelector("192.168.10.11");
  ASSERT_TRUE(p.selector);
  EXPECT_EQ(p.selector->kind, Selector::Kind::kAddress);
  EXPECT_EQ(p.selector->ip, net::Ipv4::fromHost(0xC0A80A0B));
}

TEST(SelectorParse, DigitsAndDotsThatAreNoAddressAreAnError) {
  for (const char* text : {"192.168.10.300", "1.2.3", "12345."}) {
    const SelectorParse p = parseSelector(text);
    EXPECT_FALSE(p.selector) << text;
    EXPECT_NE(p.error.find("CAMERA"), std::string::npos);
  }
  // Digits alone are an all-digit serial number.
  EXPECT_EQ(parseSelector("21234567").selector->kind, Selector::Kind::kName);
}

TEST(SelectorParse, NamesAreOneToSixteenBytes) {
  EXPECT_TRUE(parseSelector("ABCDEFGHIJKLMNOP").selector);
  EXPECT_FALSE(parseSelector("ABCDEFGHIJKLMNOPQ").selector);
  EXPECT_FALSE(parseSelector("").selector);
}

TEST(SelectorParse, OverlongNameWithControlBytesIsRefusedInOnePrintableLine) {
  const SelectorParse p = parseSelector("line\nbreak\x1b[2J-and-more");
  ASSERT_FALSE(p.selector);
  EXPECT_EQ(p.error,
            "CAMERA: 'line?break?[2J-and-more' is longer than the 16 bytes of a serial number or "
            "user-defined name");
}

class SelectorMatch : public testing::Test {
 protected:
  static GigE_Camera_Info camera(uint8_t last, std::string ip, std::string serial,
                                 std::string user) {
    GigE_Camera_Info c;
    std::copy(kMac.begin(), kMac.end(), c.cameraMacHw);
    c.cameraMacHw[5] = last;
    c.sourceIp = net::Ipv4::parse(ip)->network();  // as a discovery records it
    c.cameraIp = std::move(ip);
    c.serialNumber = std::move(serial);
    c.userDefinedName = std::move(user);
    return c;
  }
  std::vector<GigE_Camera_Info> cameras = {
      camera(0xCD, "192.168.10.11", "SN1", "left"),
      camera(0x01, "192.168.10.12", "SN2", "SN1"),   // user name equal to another's serial
      camera(0xCD, "192.168.20.11", "SN1", "left"),  // the first camera, seen on a second adapter
  };
};

TEST_F(SelectorMatch, MacMatchesOneCameraEvenSeenTwice) {
  const auto found = matchCameras(*parseSelector("02:11:22:33:ab:cd").selector, cameras);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].cameraIp, "192.168.10.11");
}

TEST_F(SelectorMatch, NameMatchesSerialOrUserNameAndCanBeAmbiguous) {
  EXPECT_EQ(matchCameras(*parseSelector("SN1").selector, cameras).size(), 2u);
  EXPECT_EQ(matchCameras(*parseSelector("SN2").selector, cameras).size(), 1u);
  EXPECT_EQ(matchCameras(*parseSelector("sn2").selector, cameras).size(), 0u);
}

TEST_F(SelectorMatch, AddressMatchesTheAddressTheCameraAnsweredFrom) {
  const auto found = matchCameras(*parseSelector("192.168.10.12").selector, cameras);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].serialNumber, "SN2");
  EXPECT_TRUE(matchCameras(*parseSelector("192.168.10.13").selector, cameras).empty());
}

}  // namespace

}  // namespace cli

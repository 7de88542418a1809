// The bytes of the GVCP wire, spelled out by hand: a whole discovery answer
// with every field a value of its own, the discovery and FORCEIP requests, and
// the register and memory exchanges of a control channel as they leave and
// come back. Nothing here takes a position or code from the framing in
// gvcp/, so a wrong shared constant cannot agree with itself.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gvcp/camera.h"
#include "gvcp/camera_info.h"
#include "gvcp/discovery_frame.h"
#include "gvcp/gige_forceip.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/scripted_peer_test_util.h"

namespace {

using testing_peer::Bytes;
using testing_peer::ScriptedPeer;

Bytes bytesOf(std::string_view literal) { return Bytes(literal.begin(), literal.end()); }

// A DISCOVERY_ACK of 256 bytes. Reserved bytes are 0xEE and every text fills
// its whole field, so a field read at a shifted offset or with another width
// comes out visibly wrong.
constexpr char kDiscoveryAck[] =
    "\x00\x00\x00\x03\x00\xF8\x00\x02"  // status 0, DISCOVERY_ACK, 248 bytes, ack_id 2
    "\x00\x02\x00\x01"                  // 0: version 2.1
    "\x80\x00\x00\x05"                  // 4: device mode
    "\xEE\xEE"                          // 8: reserved
    "\x02\x1A\x2B\x3C\x4D\x5E"          // 10: MAC
    "\x00\x00\x00\x03"                  // 16: supported: persistent, DHCP
    "\x00\x00\x00\x06"                  // 20: current: DHCP, LLA
    "\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE"  // 24: reserved
    "\xC0\xA8\x01\x0A"                                  // 36: 192.168.1.10
    "\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE"  // 40: reserved
    "\xFF\xFF\xFE\x00"                                  // 52: 255.255.254.0
    "\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE\xEE"  // 56: reserved
    "\xC0\xA8\x01\xFE"                                  // 68: gateway 192.168.1.254
    "Manufacturer-Name-Field-32-Bytes"                  // 72
    "Model-Name-Field-Of-32-Bytes-Abc"                  // 104
    "Device-Version-32-Byte-Field-1.2"                  // 136
    "Manufacturer-Specific-Information-48-Bytes-Wide!"  // 168
    "SERIAL-16-BYTES!"                                  // 216
    "User-Name-16-Byt";                                 // 232
static_assert(sizeof kDiscoveryAck - 1 == 256);

void expectDecodedFieldByField(const GigE_Camera_Info& info) {
  EXPECT_EQ(info.specVersion, 0x00020001u);
  EXPECT_EQ(info.deviceMode, 0x80000005u);
  EXPECT_EQ(info.cameraMac, "02:1A:2B:3C:4D:5E");
  EXPECT_EQ(Bytes(info.cameraMacHw, info.cameraMacHw + 6),
            (Bytes{0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
  EXPECT_EQ(info.ipConfigOptions, 0x3u);
  EXPECT_EQ(info.ipConfigCurrent, 0x6u);
  EXPECT_EQ(info.currentIp, inet_addr("192.168.1.10"));
  EXPECT_EQ(info.currentSubnetMask, inet_addr("255.255.254.0"));
  EXPECT_EQ(info.defaultGateway, inet_addr("192.168.1.254"));
  EXPECT_EQ(info.manufacturerName, "Manufacturer-Name-Field-32-Bytes");
  EXPECT_EQ(info.modelName, "Model-Name-Field-Of-32-Bytes-Abc");
  EXPECT_EQ(info.deviceVersion, "Device-Version-32-Byte-Field-1.2");
  EXPECT_EQ(info.manufacturerInfo, "Manufacturer-Specific-Information-48-Bytes-Wide!");
  EXPECT_EQ(info.serialNumber, "SERIAL-16-BYTES!");
  EXPECT_EQ(info.userDefinedName, "User-Name-16-Byt");
}

TEST(DiscoveryAnswerWireTest, EveryFieldOfALiteralAnswerLandsInItsRecordField) {
  const Bytes ack = bytesOf({kDiscoveryAck, 256});
  const GigE_Camera_Info info =
      gvcp::decodeDiscoveryAck(ack.data(), *net::Ipv4::parse("192.168.1.10"), Adaptor(0u));
  expectDecodedFieldByField(info);
  EXPECT_EQ(info.cameraIp, "192.168.1.10");
}

// The same answer captured at link level: Ethernet to the host, IPv4 from
// 192.168.1.11 (not the address the payload claims), UDP 3956 -> 50000.
constexpr char kFrameHead[] =
    "\x02\x00\x00\x00\x00\x01\x02\x1A\x2B\x3C\x4D\x5E\x08\x00"  // Ethernet
    "\x45\x00\x01\x1C\x00\x00\x40\x00\x40\x11\x00\x00"          // IPv4, protocol 17 at 23
    "\xC0\xA8\x01\x0B\xC0\xA8\x01\x01"                          // 192.168.1.11 -> .1
    "\x0F\x74\xC3\x50\x01\x08\x00\x00";                         // UDP
static_assert(sizeof kFrameHead - 1 == 42);

TEST(DiscoveryAnswerWireTest, CapturedFrameTakesTheSenderFromTheIpHeaderAndTheRestFromTheAck) {
  Bytes frame = bytesOf({kFrameHead, 42});
  const Bytes ack = bytesOf({kDiscoveryAck, 256});
  frame.insert(frame.end(), ack.begin(), ack.end());
  ASSERT_EQ(frame.size(), 298u);
  const gvcp::DiscoveryFrame view(frame.data(), 298);
  EXPECT_EQ(gvcp::discoveryAnswerSource(view, *net::Ipv4::parse("192.168.1.1")),
            net::Ipv4::parse("192.168.1.11"));
  std::vector<GigE_Camera_Info> cameras;
  gvcp::takeDiscoveryFrame(view, Adaptor(0u), cameras);
  ASSERT_EQ(cameras.size(), 1u);
  expectDecodedFieldByField(cameras[0]);
  EXPECT_EQ(cameras[0].cameraIp, "192.168.1.11");
}

TEST(BroadcastRequestWireTest, DiscoveryRequestIsSixteenLiteralBytes) {
  EXPECT_EQ(gvcp::buildDiscoveryCommand(),
            (Bytes{0x42, 0x11, 0x00, 0x02, 0x00, 0x08, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(BroadcastRequestWireTest, ForceIpCarriesMacAddressMaskAndZeroGatewayAtTheirOffsets) {
  const unsigned char mac[6] = {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
  const gvcp::ForceIpCommand command =
      gvcp::buildForceIpCommand(mac, {inet_addr("10.20.30.40"), inet_addr("255.255.0.0")});
  const Bytes expected = {
      0x42, 0x01, 0x00, 0x04, 0x00, 0x38, 0x00, 0x09,              // header
      0x00, 0x00, 0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E,              // 0: reserved, 2: MAC
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 8: reserved
      0x00, 0x00, 0x0A, 0x14, 0x1E, 0x28,                          // 20: address
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 24: reserved
      0x00, 0x00, 0xFF, 0xFF, 0x00, 0x00,                          // 36: mask
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // 40: reserved
      0x00, 0x00, 0x00, 0x00, 0x00, 0x00};                         // 52: gateway
  EXPECT_EQ(Bytes(command.begin(), command.end()), expected);
}

// A control channel to a peer that answers the first request with `answer`,
// literal bytes whose ack_id is 1.
class ControlChannelWireTest : public ::testing::Test {
 protected:
  void answerWith(Bytes answer) {
    peer = std::make_unique<ScriptedPeer>(
        [answer](const Bytes&) { return std::vector<Bytes>{answer}; });
    ASSERT_TRUE(peer->ok());
    camera = std::make_unique<Camera>(peer->ip(), peer->port());
  }
  Bytes sent() {
    EXPECT_TRUE(peer->waitForCount(1));
    return peer->received().at(0);
  }

  std::unique_ptr<ScriptedPeer> peer;
  std::unique_ptr<Camera> camera;
};

TEST_F(ControlChannelWireTest, ReadregSendsTheAddressAndTakesTheBigEndianValue) {
  answerWith({0x00, 0x00, 0x00, 0x81, 0x00, 0x04, 0x00, 0x01, 0xC0, 0xA8, 0x01, 0x0A});
  unsigned int value = 0;
  EXPECT_EQ(camera->readreg(0x0024, &value), 0);
  EXPECT_EQ(value, 0xC0A8010Au);
  EXPECT_EQ(sent(),
            (Bytes{0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x24}));
}

TEST_F(ControlChannelWireTest, ReadregHandsBackTheCamerasStatusWord) {
  answerWith({0x80, 0x06, 0x00, 0x81, 0x00, 0x00, 0x00, 0x01});
  unsigned int value = 7;
  EXPECT_EQ(camera->readreg(0x0A00, &value), 0x8006);
  EXPECT_EQ(value, 7u);
}

TEST_F(ControlChannelWireTest, WriteregSendsAddressThenValue) {
  answerWith({0x00, 0x00, 0x00, 0x83, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01});
  EXPECT_EQ(camera->writereg(0x064C, 0xC0A8010A), 0);
  EXPECT_EQ(sent(), (Bytes{0x42, 0x01, 0x00, 0x82, 0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0x06, 0x4C,
                           0xC0, 0xA8, 0x01, 0x0A}));
}

TEST_F(ControlChannelWireTest, WriteregWithoutAcknowledgeClearsTheFlag) {
  answerWith({});
  EXPECT_EQ(camera->writereg(0xB0E8, 0xAFFE, false), 0);
  EXPECT_EQ(sent(), (Bytes{0x42, 0x00, 0x00, 0x82, 0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0xB0, 0xE8,
                           0x00, 0x00, 0xAF, 0xFE}));
}

TEST_F(ControlChannelWireTest, ReadmemSendsAddressAndCountAndSkipsTheEchoedAddress) {
  Bytes answer = {0x00, 0x00, 0x00, 0x85, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00, 0x00, 0xE8};
  const Bytes text = bytesOf("User-Name-16-Byt");
  answer.insert(answer.end(), text.begin(), text.end());
  answerWith(answer);
  unsigned char dest[16] = {};
  EXPECT_EQ(camera->readmem(0x00E8, dest, 16), 0);
  EXPECT_EQ(Bytes(dest, dest + 16), text);
  EXPECT_EQ(sent(), (Bytes{0x42, 0x01, 0x00, 0x84, 0x00, 0x08, 0x00, 0x01, 0x00, 0x00, 0x00, 0xE8,
                           0x00, 0x00, 0x00, 0x10}));
}

}  // namespace

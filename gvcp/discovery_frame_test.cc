#include "gvcp/discovery_frame.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "gvcp/datagram_pair_test_util.h"

namespace {

using Frame = std::array<uint8_t, gvcp::kDiscoveryFrameSize>;

// A DISCOVERY_ACK as captured on the wire: broadcast Ethernet frame, IPv4 from
// 192.168.10.20 to 255.255.255.255, UDP 3956 -> 50000, then the acknowledge.
Frame answerFrame(std::array<uint8_t, 4> source = {192, 168, 10, 20},
                  net::Mac mac = {0x02, 0x00, 0x00, 0xab, 0xcd, 0xef}) {
  Frame f{};
  const uint8_t head[] = {
      0xff,      0xff,      0xff,      0xff,      0xff, 0xff, 0x02, 0x00,
      0x00,      0xab,      0xcd,      0xef,      0x08, 0x00,  // Ethernet
      0x45,      0x00,      0x01,      0x1c,      0x00, 0x00, 0x40, 0x00,
      0x40,      0x11,      0x00,      0x00,                                // IPv4 ...
      source[0], source[1], source[2], source[3], 0xff, 0xff, 0xff, 0xff,   // ... addresses
      0x0f,      0x74,      0xc3,      0x50,      0x01, 0x08, 0x00, 0x00,   // UDP
      0x00,      0x00,      0x00,      0x03,      0x00, 0xf8, 0x00, 0x02};  // GVCP ack
  std::copy(std::begin(head), std::end(head), f.begin());
  std::copy(mac.begin(), mac.end(), f.begin() + 50 + gvcp::DiscoveryAck::kMac);
  std::memcpy(f.data() + 50 + gvcp::DiscoveryAck::kModelName, "Model-7", 7);
  return f;
}

constexpr net::Ipv4 kAdapterIp = net::Ipv4::fromHost(0xC0A80A01);  // 192.168.10.1

net::Ipv4 ip(const char* text) { return *net::Ipv4::parse(text); }

TEST(DiscoveryFrameTest, AnswerFromCameraGivesItsSourceAddress) {
  EXPECT_EQ(gvcp::discoveryAnswerSource(answerFrame(), kAdapterIp), ip("192.168.10.20"));
}

TEST(DiscoveryFrameTest, AnswersFromForeignSubnetAndFromZeroAddressAreTaken) {
  EXPECT_EQ(gvcp::discoveryAnswerSource(answerFrame({10, 77, 0, 9}), kAdapterIp), ip("10.77.0.9"));
  EXPECT_EQ(gvcp::discoveryAnswerSource(answerFrame({0, 0, 0, 0}), kAdapterIp), net::Ipv4());
}

TEST(DiscoveryFrameTest, SingleByteCorruptionsOfTheTestedBytesReject) {
  // Ethernet type, IPv4 version and header length, protocol, UDP source port
  // (3956), acknowledge code and length (248).
  for (const auto& [offset, value] : std::vector<std::pair<size_t, uint8_t>>{{12, 0x86},
                                                                             {13, 0xdd},
                                                                             {14, 0x46},
                                                                             {23, 6},
                                                                             {34, 0xc3},
                                                                             {35, 0x50},
                                                                             {44, 0x01},
                                                                             {45, 0x02},
                                                                             {45, 0x05},
                                                                             {46, 0x01},
                                                                             {47, 0xf4}}) {
    Frame f = answerFrame();
    f[offset] = value;
    EXPECT_FALSE(gvcp::discoveryAnswerSource(f, kAdapterIp))
        << "byte " << offset << " = " << +value;
  }
}

TEST(DiscoveryFrameTest, FieldsOutsideTheFixedOffsetsAreNotExamined) {
  // IPv4 length, destination, UDP destination port, ack status and id: none
  // of them may turn an answer away.
  for (size_t offset : {16u, 17u, 30u, 36u, 37u, 42u, 43u, 48u, 49u}) {
    Frame f = answerFrame();
    f[offset] ^= 0xA5;
    EXPECT_EQ(gvcp::discoveryAnswerSource(f, kAdapterIp), ip("192.168.10.20")) << "byte " << offset;
  }
}

TEST(DiscoveryFrameTest, OwnTransmissionIsNeverAnAnswer) {
  // The request as the capture sees it leave: from the adapter's address.
  Frame request = answerFrame({192, 168, 10, 1});
  const std::vector<uint8_t> command = gvcp::buildDiscoveryCommand();
  std::fill(request.begin() + gvcp::kFrameGvcpOffset, request.end(), 0);
  std::copy(command.begin(), command.end(), request.begin() + gvcp::kFrameGvcpOffset);
  EXPECT_FALSE(gvcp::discoveryAnswerSource(request, kAdapterIp));
  // Even a frame that reads like an answer is dropped when it comes from us.
  EXPECT_FALSE(gvcp::discoveryAnswerSource(answerFrame({192, 168, 10, 1}), kAdapterIp));
}

TEST(DiscoveryFrameTest, StreamPacketReading0003AtBytes44And45IsNoAnswer) {
  // An image stream's packet of block id 3, from the camera's stream port.
  Frame f = answerFrame();
  f[34] = 0xc3;
  f[35] = 0x51;
  EXPECT_FALSE(gvcp::discoveryAnswerSource(f, kAdapterIp));
}

class DiscoveryCollectTest : public ::testing::Test {
 protected:
  void take(const Frame& f) { gvcp::takeDiscoveryFrame(f, adaptor, cameras); }
  Adaptor adaptor{0u};
  std::vector<GigE_Camera_Info> cameras;
};

TEST_F(DiscoveryCollectTest, DoubledAnswerIsKeptOnce) {
  take(answerFrame());
  take(answerFrame());
  ASSERT_EQ(cameras.size(), 1u);
  EXPECT_EQ(cameras[0].cameraMac, "02:00:00:AB:CD:EF");
  EXPECT_EQ(cameras[0].modelName, "Model-7");
}

TEST_F(DiscoveryCollectTest, SameAddressDifferentMacsAndSameMacTwoAddressesAreAllKept) {
  take(answerFrame({192, 168, 10, 20}, {2, 0, 0, 0, 0, 1}));
  take(answerFrame({192, 168, 10, 20}, {2, 0, 0, 0, 0, 2}));
  take(answerFrame({192, 168, 10, 21}, {2, 0, 0, 0, 0, 2}));
  ASSERT_EQ(cameras.size(), 3u);
  EXPECT_EQ(cameras[0].cameraMac, "02:00:00:00:00:01");
  EXPECT_EQ(cameras[1].cameraMac, "02:00:00:00:00:02");
  EXPECT_EQ(cameras[2].cameraIp, "192.168.10.21");
}

TEST_F(DiscoveryCollectTest, CameraIpComesFromTheFrameNotThePayload) {
  Frame f = answerFrame({169, 254, 1, 2});
  const uint8_t claimed[] = {192, 168, 1, 10};
  std::copy(std::begin(claimed), std::end(claimed),
            f.begin() + 50 + gvcp::DiscoveryAck::kCurrentIp);
  take(f);
  ASSERT_EQ(cameras.size(), 1u);
  EXPECT_EQ(cameras[0].cameraIp, "169.254.1.2");
  uint8_t bytes[4];
  std::memcpy(bytes, &cameras[0].currentIp, 4);
  EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + 4), (std::vector<uint8_t>{192, 168, 1, 10}));
}

TEST_F(DiscoveryCollectTest, NonAnswersLeaveTheListEmpty) {
  take(Frame{});
  Frame tcp = answerFrame();
  tcp[23] = 6;
  take(tcp);
  EXPECT_TRUE(cameras.empty());
}

// The kernel filter, run by the kernel on a datagram socket pair: on such a
// socket the filter sees the datagram from its first byte, as a packet socket
// sees a frame from its Ethernet header.
class DiscoveryFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(pair.receiver.valid());
    ASSERT_EQ(gvcp::attachDiscoveryFilter(pair.receiver.get()), 0) << std::strerror(errno);
  }
  // The bytes the filtered socket delivers for `datagram`; empty when dropped.
  std::vector<uint8_t> passThrough(const std::vector<uint8_t>& datagram) {
    EXPECT_EQ(::send(pair.sender.get(), datagram.data(), datagram.size(), 0),
              static_cast<ssize_t>(datagram.size()));
    std::vector<uint8_t> got(1024);
    const ssize_t n = ::recv(pair.receiver.get(), got.data(), got.size(), MSG_DONTWAIT);
    got.resize(n < 0 ? 0 : static_cast<size_t>(n));
    return got;
  }
  testing_peer::DatagramPair pair = testing_peer::openDatagramPair();
};

std::vector<uint8_t> bytesOf(const Frame& f) { return std::vector<uint8_t>(f.begin(), f.end()); }

TEST_F(DiscoveryFilterTest, AnswerPassesWhole) {
  EXPECT_EQ(passThrough(bytesOf(answerFrame())), bytesOf(answerFrame()));
}

TEST_F(DiscoveryFilterTest, LongerFramePassesCutToTheFrameSize) {
  std::vector<uint8_t> jumbo = bytesOf(answerFrame());
  jumbo.resize(900, 0x5A);
  EXPECT_EQ(passThrough(jumbo).size(), gvcp::kDiscoveryFrameSize);
}

TEST_F(DiscoveryFilterTest, AgreesWithTheSelectionOnEveryCorruptionAndTruncation) {
  // Each byte of the headers flipped, and each length up to just past byte 45:
  // the kernel must pass exactly what the selection takes (the own-address
  // test stays in user space, so no adapter address is given here).
  std::vector<std::vector<uint8_t>> cases;
  for (size_t offset = 0; offset < 60; ++offset) {
    std::vector<uint8_t> f = bytesOf(answerFrame());
    f[offset] ^= 0xFF;
    cases.push_back(f);
  }
  const Frame answer = answerFrame();
  for (size_t length = 1; length <= 50; ++length) {
    cases.emplace_back(answer.begin(), answer.begin() + length);
  }
  for (const std::vector<uint8_t>& datagram : cases) {
    Frame padded{};
    std::copy(datagram.begin(), datagram.end(), padded.begin());
    const bool selected = gvcp::discoveryAnswerSource(padded, net::Ipv4()).has_value();
    EXPECT_EQ(!passThrough(datagram).empty(), selected)
        << "length " << datagram.size() << ", byte 23 " << +padded[23];
  }
}

TEST_F(DiscoveryFilterTest, OwnRequestIsDroppedInTheKernel) {
  Frame request = answerFrame();
  std::fill(request.begin() + gvcp::kFrameGvcpOffset, request.end(), 0);
  const std::vector<uint8_t> command = gvcp::buildDiscoveryCommand();
  std::copy(command.begin(), command.end(), request.begin() + gvcp::kFrameGvcpOffset);
  EXPECT_TRUE(passThrough(bytesOf(request)).empty());
}

}  // namespace

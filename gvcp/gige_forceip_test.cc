#include "gvcp/gige_forceip.h"

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <vector>

#include "gvcp/forceip_example_test_util.h"
#include "net/ipv4address.h"

namespace {

using Bytes = std::vector<uint8_t>;

ForceIpSet setFromText(const std::string& ip, const std::string& mask) {
  ForceIpSet set;
  EXPECT_TRUE(net::parseIpv4(ip, &set.ip));
  EXPECT_TRUE(net::parseIpv4(mask, &set.mask));
  return set;
}

Bytes build(std::initializer_list<unsigned char> mac, const ForceIpSet& set) {
  const gvcp::ForceIpCommand command = gvcp::buildForceIpCommand(Bytes(mac).data(), set);
  return Bytes(command.begin(), command.end());
}

TEST(ForceIpCommandTest, ExampleCameraGetsTheExactSixtyFourBytes) {
  const Bytes expected = testing_peer::exampleForceIpDatagram();
  EXPECT_EQ(
      build({0x00, 0x11, 0x22, 0x33, 0x44, 0x55}, setFromText("192.168.1.10", "255.255.255.0")),
      expected);
}

TEST(ForceIpCommandTest, EachFieldChangesOnlyItsOwnBytes) {
  const Bytes base = build({0, 0, 0, 0, 0, 0}, {});
  const Bytes withMac = build({0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}, {});
  const Bytes withAddress = build({0, 0, 0, 0, 0, 0}, setFromText("10.1.2.3", "0.0.0.0"));
  const Bytes withMask = build({0, 0, 0, 0, 0, 0}, setFromText("0.0.0.0", "255.0.255.0"));
  // True when byte i of the datagram lies in the payload field [offset, offset + width).
  const auto inField = [](size_t i, size_t offset, size_t width) {
    return i >= gvcp::kHeaderSize + offset && i < gvcp::kHeaderSize + offset + width;
  };
  for (size_t i = 0; i < base.size(); ++i) {
    if (!inField(i, gvcp::ForceIpCmdLayout::kMac, 6)) {
      EXPECT_EQ(withMac[i], base[i]) << "byte " << i;
    }
    if (!inField(i, gvcp::ForceIpCmdLayout::kIp, 4)) {
      EXPECT_EQ(withAddress[i], base[i]) << "byte " << i;
    }
    if (!inField(i, gvcp::ForceIpCmdLayout::kMask, 4)) {
      EXPECT_EQ(withMask[i], base[i]) << "byte " << i;
    }
  }
  EXPECT_EQ(Bytes(withMac.begin() + 10, withMac.begin() + 16),
            (Bytes{0xA1, 0xB2, 0xC3, 0xD4, 0xE5, 0xF6}));
  EXPECT_EQ(Bytes(withAddress.begin() + 28, withAddress.begin() + 32), (Bytes{10, 1, 2, 3}));
  // A mask that is not contiguous is sent as typed.
  EXPECT_EQ(Bytes(withMask.begin() + 44, withMask.begin() + 48), (Bytes{255, 0, 255, 0}));
}

class ForceIpListenTest : public ::testing::Test {
 protected:
  static constexpr int kListenMs = 300;
  // Generous: the machine is shared, so only the lower bound is tight.
  static constexpr auto kUpperBound = std::chrono::milliseconds(3000);

  std::chrono::milliseconds timed(int fd) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(gvcp::drainFramesFor(fd, kListenMs));
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 start);
  }
};

TEST_F(ForceIpListenTest, WithoutPacketSocketTheWholeTimeIsStillWaited) {
  const auto elapsed = timed(-1);
  EXPECT_GE(elapsed.count(), kListenMs);
  EXPECT_LT(elapsed, kUpperBound);
}

TEST_F(ForceIpListenTest, ArrivingFramesAreDroppedAndTheWaitGoesOn) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM, 0, pair), 0);
  const net::UniqueFd reader(pair[0]), writer(pair[1]);
  const uint8_t frame[64] = {0x42};
  for (int i = 0; i < 5; ++i) ASSERT_EQ(::send(writer.get(), frame, sizeof frame, 0), 64);

  const auto elapsed = timed(reader.get());
  EXPECT_GE(elapsed.count(), kListenMs);
  EXPECT_LT(elapsed, kUpperBound);
  uint8_t left[64];
  EXPECT_LT(::recv(reader.get(), left, sizeof left, MSG_DONTWAIT), 0) << "a frame was not drained";
}

TEST_F(ForceIpListenTest, WaitOnAClosedDescriptorFails) {
  int pair[2];
  ASSERT_EQ(::socketpair(AF_UNIX, SOCK_DGRAM, 0, pair), 0);
  ::close(pair[0]);
  ::close(pair[1]);
  EXPECT_FALSE(gvcp::drainFramesFor(pair[0], kListenMs));
}

}  // namespace

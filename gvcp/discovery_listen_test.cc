#include "gvcp/discovery_listen.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <chrono>
#include <functional>
#include <utility>

#include "gvcp/gvcp_protocol.h"
#include "net/socket_address.h"
#include "net/unique_fd.h"

namespace {

using namespace std::chrono_literals;

// A UDP socket on a loopback address with the port the system chose.
struct LoopSocket {
  net::UniqueFd fd;
  sockaddr_in address{};
};

LoopSocket openLoop(uint32_t hostOrderIp) {
  LoopSocket s{net::UniqueFd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0)),
               net::socketAddress(htonl(hostOrderIp), 0)};
  EXPECT_EQ(::bind(s.fd.get(), net::asSockaddr(s.address), sizeof s.address), 0);
  socklen_t len = sizeof s.address;
  ::getsockname(s.fd.get(), reinterpret_cast<sockaddr*>(&s.address), &len);
  return s;
}

std::vector<uint8_t> discoveryAck(uint8_t macLast, uint16_t code = gvcp::DISCOVERY_ACK) {
  std::vector<uint8_t> ack(gvcp::kDiscoveryAckSize, 0);
  gvcp::writeAckHeader(ack.data(), {0, code, gvcp::kDiscoveryAckPayload, gvcp::kDiscoveryReqId});
  ack[gvcp::kHeaderSize + 10] = 0x02;
  ack[gvcp::kHeaderSize + 15] = macLast;
  return ack;
}

void sendTo(const LoopSocket& from, const LoopSocket& to, const std::vector<uint8_t>& bytes) {
  ASSERT_EQ(::sendto(from.fd.get(), bytes.data(), bytes.size(), 0, net::asSockaddr(to.address),
                     sizeof to.address),
            static_cast<ssize_t>(bytes.size()));
}

class DiscoveryListen : public testing::Test {
 protected:
  LoopSocket first = openLoop(0x7F000001);
  LoopSocket second = openLoop(0x7F000001);
  LoopSocket cameraA = openLoop(0x7F000002);
  LoopSocket cameraB = openLoop(0x7F000003);
  Adaptor adaptor{0u};
  std::vector<GigE_Camera_Info> onFirst, onSecond;

  std::vector<gvcp::Capture> captures() {
    return {{first.fd.get(), gvcp::CaptureMode::kUdp, &adaptor, &onFirst},
            {second.fd.get(), gvcp::CaptureMode::kUdp, &adaptor, &onSecond}};
  }
  // A re-send hook: camera A answers to `to` at the first re-send only.
  std::function<void()> answerOnce(const LoopSocket& to) {
    return [this, &to, answered = false]() mutable {
      if (!std::exchange(answered, true)) sendTo(cameraA, to, discoveryAck(0xA));
    };
  }

  // A window long beside a loaded machine's stretched waits; with kSends
  // requests the first re-send comes early, so that an answer sent then
  // arrives long before the window ends.
  static constexpr std::chrono::milliseconds kWindow{1000};
  static constexpr int kSends = 10;
};

TEST_F(DiscoveryListen, AnswersLandOnTheAdapterTheyArrivedOn) {
  sendTo(cameraA, first, discoveryAck(0xA));
  sendTo(cameraB, second, discoveryAck(0xB));
  sendTo(cameraB, second, discoveryAck(0xC, gvcp::READREG_ACK));  // not an answer
  ASSERT_EQ(gvcp::listenOnAll(captures(), {100ms, gvcp::MergeRule::kMacAndAddress, 1, {}, {}}), 0);
  ASSERT_EQ(onFirst.size(), 1u);
  ASSERT_EQ(onSecond.size(), 1u);
  EXPECT_EQ(onFirst[0].cameraMac, "02:00:00:00:00:0A");
  EXPECT_EQ(onFirst[0].cameraIp, "127.0.0.2");
  EXPECT_EQ(onSecond[0].cameraIp, "127.0.0.3");
  EXPECT_TRUE(onFirst[0].seenByUdp);
  EXPECT_FALSE(onFirst[0].seenAtLinkLevel);
}

TEST_F(DiscoveryListen, OneCameraSeenBothWaysIsOneRecordNamingBoth) {
  GigE_Camera_Info captured, received;
  captured.cameraMac = received.cameraMac = "02:00:00:00:00:0A";
  captured.seenAtLinkLevel = received.seenByUdp = true;
  EXPECT_TRUE(gvcp::addCamera(onFirst, captured, gvcp::MergeRule::kMac));
  EXPECT_FALSE(gvcp::addCamera(onFirst, received, gvcp::MergeRule::kMac));
  ASSERT_EQ(onFirst.size(), 1u);
  EXPECT_TRUE(onFirst[0].seenAtLinkLevel && onFirst[0].seenByUdp);
}

TEST_F(DiscoveryListen, OneCameraFromTwoAddressesIsOneByMacAndTwoByMacAndAddress) {
  for (gvcp::MergeRule rule : {gvcp::MergeRule::kMac, gvcp::MergeRule::kMacAndAddress}) {
    onFirst.clear();
    sendTo(cameraA, first, discoveryAck(0xA));
    sendTo(cameraB, first, discoveryAck(0xA));
    sendTo(cameraA, first, discoveryAck(0xA));
    ASSERT_EQ(gvcp::listenOnAll(captures(), {100ms, rule, 1, {}, {}}), 0);
    EXPECT_EQ(onFirst.size(), rule == gvcp::MergeRule::kMac ? 1u : 2u);
  }
}

TEST_F(DiscoveryListen, DevicesReportingNoMacAreToldApartByAddressAndSerial) {
  GigE_Camera_Info first, second, third;  // MAC 00:00:00:00:00:00 all
  first.sourceIp = third.sourceIp = 1;
  second.sourceIp = 2;
  third.serialNumber = "21234567";
  EXPECT_TRUE(gvcp::addCamera(onFirst, first, gvcp::MergeRule::kMac));
  EXPECT_TRUE(gvcp::addCamera(onFirst, second, gvcp::MergeRule::kMac));
  EXPECT_TRUE(gvcp::addCamera(onFirst, third, gvcp::MergeRule::kMac));
  EXPECT_FALSE(gvcp::addCamera(onFirst, first, gvcp::MergeRule::kMac));
}

// A quarter of a long window between requests: a wait stretched by a loaded
// machine would have to overrun a whole quarter to leave the last one out.
TEST_F(DiscoveryListen, ResendsSpreadOverTheWindow) {
  int resent = 0;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(
      gvcp::listenOnAll(captures(), {kWindow, gvcp::MergeRule::kMac, 4, [&] { ++resent; }, {}}), 0);
  EXPECT_EQ(resent, 3);
  EXPECT_GE(std::chrono::steady_clock::now() - start, kWindow);
}

// The camera answers only once the second request has gone out, the first
// tenth into the window: a wait stretched by a loaded machine would have to
// overrun the rest of the window before the answer goes unheard.
TEST_F(DiscoveryListen, AnswerToAResendIsTaken) {
  ASSERT_EQ(gvcp::listenOnAll(captures(),
                              {kWindow, gvcp::MergeRule::kMac, kSends, answerOnce(second), {}}),
            0);
  EXPECT_EQ(onSecond.size(), 1u);
}

// Only the answer the stop condition waits for ends the long window.
TEST_F(DiscoveryListen, StopConditionEndsTheWindowAtItsAnswer) {
  sendTo(cameraB, first, discoveryAck(0xB));
  sendTo(cameraA, first, discoveryAck(0xA));
  const auto isA = [](const GigE_Camera_Info& c) { return c.cameraMac == "02:00:00:00:00:0A"; };
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(gvcp::listenOnAll(captures(), {kWindow, gvcp::MergeRule::kMac, 1, {}, isA}), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, kWindow);
  EXPECT_EQ(onFirst.size(), 2u);
}

TEST_F(DiscoveryListen, PendingSocketErrorDoesNotEndTheWindow) {
  // A datagram to a port nobody holds comes back as an ICMP error, queued on
  // the first (connected) socket as a pending error; the answer that reaches
  // the second socket after it still counts.
  LoopSocket closedPort = openLoop(0x7F000001);
  const sockaddr_in nobody = closedPort.address;
  closedPort.fd.reset();
  ASSERT_EQ(::connect(first.fd.get(), net::asSockaddr(nobody), sizeof nobody), 0);
  ASSERT_EQ(::send(first.fd.get(), "x", 1, 0), 1);
  EXPECT_EQ(gvcp::listenOnAll(captures(),
                              {kWindow, gvcp::MergeRule::kMac, kSends, answerOnce(second), {}}),
            0);
  EXPECT_EQ(onSecond.size(), 1u);
}

TEST_F(DiscoveryListen, ClosedDescriptorFailsTheWait) {
  const gvcp::Capture closed{first.fd.release(), gvcp::CaptureMode::kUdp, &adaptor, &onFirst};
  ::close(closed.fd);
  EXPECT_EQ(gvcp::listenOnAll({&closed, 1}, {100ms, gvcp::MergeRule::kMac, 1, {}, {}}), -1);
}

}  // namespace

#include "gvcp/forceip_exchange.h"

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "gvcp/scripted_peer_test_util.h"

namespace {

using testing_peer::ackFor;
using testing_peer::Bytes;
using testing_peer::ScriptedPeer;

constexpr unsigned char kMac[6] = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF};
const ForceIpSet kSet{htonl(0xC0A80A32), htonl(0xFFFFFF00)};  // 192.168.10.50/24
const uint32_t kGateway = htonl(0xC0A80A01);

class ForceIpExchangeTest : public ::testing::Test {
 protected:
  // A wait per attempt far beyond a loaded machine's answer time, so only a
  // lost answer costs an attempt; silent peers get a short one.
  gvcp::Status force(ScriptedPeer& peer,
                     std::chrono::milliseconds wait = std::chrono::milliseconds(2000)) {
    EXPECT_TRUE(peer.ok());
    gvcp::ForceIpExchange exchange;
    exchange.wait = wait;
    exchange.sourceIp = htonl(INADDR_LOOPBACK);
    exchange.destinationIp = peer.ip();
    exchange.destinationPort = peer.port();
    return gvcp::forceIpAcknowledged(kMac, kSet, kGateway, exchange);
  }
};

TEST_F(ForceIpExchangeTest, AcknowledgedAtOnceSendsOneCommandWithEveryField) {
  ScriptedPeer peer([](const Bytes& request) { return std::vector<Bytes>{ackFor(request, {})}; });
  EXPECT_TRUE(force(peer).ok());
  ASSERT_EQ(peer.count(), 1u);
  const Bytes sent = peer.received().front();
  const gvcp::ForceIpCommand expected = gvcp::buildForceIpCommand(kMac, kSet, kGateway);
  EXPECT_EQ(sent, Bytes(expected.begin(), expected.end()));
  EXPECT_EQ(gvcp::getBe32(sent.data() + gvcp::kHeaderSize + gvcp::ForceIpCmdLayout::kGateway),
            0xC0A80A01u);
}

TEST_F(ForceIpExchangeTest, LostAcknowledgeIsMadeUpByTheNextAttempt) {
  ScriptedPeer peer([calls = 0](const Bytes& request) mutable {
    return ++calls == 1 ? std::vector<Bytes>{} : std::vector<Bytes>{ackFor(request, {})};
  });
  EXPECT_TRUE(force(peer).ok());
  EXPECT_EQ(peer.count(), 2u);
}

TEST_F(ForceIpExchangeTest, AnswersOfAnotherKindOrIdAreNotTakenForTheAcknowledge) {
  ScriptedPeer peer([](const Bytes& request) {
    Bytes wrongCode = ackFor(request, {});
    gvcp::putBe16(wrongCode.data() + 2, gvcp::DISCOVERY_ACK);
    Bytes wrongId = ackFor(request, {});
    gvcp::putBe16(wrongId.data() + 6, 0x0008);
    return std::vector<Bytes>{wrongCode, wrongId, Bytes{0x00, 0x00}};
  });
  const gvcp::Status status = force(peer, std::chrono::milliseconds(100));
  EXPECT_EQ(status.code(), gvcp::ForceIpSite::kNoAnswer);
  EXPECT_TRUE(peer.waitForCount(3));
  EXPECT_EQ(peer.count(), 3u);
}

TEST_F(ForceIpExchangeTest, RefusalEndsAtTheFirstAnswerWithTheCamerasStatus) {
  ScriptedPeer peer([](const Bytes& request) {
    return std::vector<Bytes>{ackFor(request, {}, gvcp::kStatusAccessDenied)};
  });
  const gvcp::Status status = force(peer);
  EXPECT_TRUE(status.isCameraStatus());
  EXPECT_EQ(status.code(), gvcp::kStatusAccessDenied);
  EXPECT_EQ(peer.count(), 1u);
}

TEST_F(ForceIpExchangeTest, SilentCameraIsAskedThreeTimesThenNotAcknowledged) {
  ScriptedPeer peer([](const Bytes&) { return std::vector<Bytes>{}; });
  const gvcp::Status status = force(peer, std::chrono::milliseconds(100));
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(status.isCameraStatus());
  EXPECT_EQ(status.code(), gvcp::ForceIpSite::kNoAnswer);
  EXPECT_TRUE(peer.waitForCount(3));
  EXPECT_EQ(peer.count(), 3u);
}

TEST_F(ForceIpExchangeTest, SourceAddressThatIsNotOursFailsBeforeSending) {
  ScriptedPeer peer([](const Bytes&) { return std::vector<Bytes>{}; });
  gvcp::ForceIpExchange exchange;
  exchange.sourceIp = htonl(0xC0000201);  // 192.0.2.1, on no interface here
  exchange.destinationIp = peer.ip();
  exchange.destinationPort = peer.port();
  EXPECT_EQ(gvcp::forceIpAcknowledged(kMac, kSet, 0, exchange).code(), gvcp::ForceIpSite::kBind);
  EXPECT_EQ(peer.count(), 0u);
}

}  // namespace

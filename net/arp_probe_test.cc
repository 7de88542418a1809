#include "net/arp_probe.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>
#include <thread>

namespace net {
namespace {

using std::chrono::milliseconds;

MacAddress mac(std::initializer_list<uint8_t> bytes) {
  MacAddress m;
  m.setMac(std::data(bytes), static_cast<int>(bytes.size()));
  return m;
}

const MacAddress kOurs = mac({0x02, 0xAA, 0, 0, 0, 0x01});
const MacAddress kOther = mac({0x02, 0xBB, 0, 0, 0, 0x02});
const MacAddress kOwner = mac({0x02, 0xCC, 0, 0, 0, 0x03});
constexpr uint32_t kTarget = 0xC0A80A32;  // 192.168.10.50

// An ARP frame with the bytes spelled out: `op`, sender MAC and address.
Frame arpFrame(uint16_t op, const MacAddress& sender, uint32_t senderIp) {
  Frame f = {0x02, 0xAA, 0,    0,    0,    0x01, 0,    0,
             0,    0,    0,    0,    0x08, 0x06,  // to us, ARP
             0x00, 0x01, 0x08, 0x00, 6,    4,    0x00, static_cast<uint8_t>(op)};
  f.resize(42, 0);
  sender.getMacHw(f.data() + 6, 6);
  sender.getMacHw(f.data() + 22, 6);
  for (int i = 0; i < 4; ++i)
    f[28 + static_cast<size_t>(i)] = static_cast<uint8_t>(senderIp >> (24 - 8 * i));
  return f;
}

TEST(ArpFrameTest, ProbeIsABroadcastRequestFromNoAddress) {
  const Frame expected = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x02, 0xAA, 0,    0,    0,
                          0x01, 0x08, 0x06, 0x00, 0x01, 0x08, 0x00, 0x06, 0x04, 0x00, 0x01,
                          0x02, 0xAA, 0,    0,    0,    0x01, 0,    0,    0,    0,    0,
                          0,    0,    0,    0,    0,    192,  168,  10,   50};
  EXPECT_EQ(buildProbe(kOurs, kTarget), expected);
}

TEST(ArpFrameTest, ReplyOrRequestFromTheAddressNamesItsSender) {
  EXPECT_EQ(claimant(arpFrame(2, kOther, kTarget), kTarget), kOther);
  EXPECT_EQ(claimant(arpFrame(1, kOther, kTarget), kTarget), kOther);  // an announcement
  Frame padded = arpFrame(2, kOther, kTarget);
  padded.resize(60, 0);  // the minimum Ethernet frame
  EXPECT_EQ(claimant(padded, kTarget), kOther);
}

TEST(ArpFrameTest, OtherFramesClaimNothing) {
  EXPECT_EQ(claimant(arpFrame(2, kOther, kTarget + 1), kTarget), std::nullopt);
  EXPECT_EQ(claimant(buildProbe(kOther, kTarget), kTarget), std::nullopt);  // sender 0.0.0.0
  EXPECT_EQ(claimant(arpFrame(3, kOther, kTarget), kTarget), std::nullopt);
  Frame f = arpFrame(2, kOther, kTarget);
  EXPECT_EQ(claimant(std::span(f).first(41), kTarget), std::nullopt);
  for (const size_t at : {12u, 13u, 14u, 15u, 16u, 17u, 18u, 19u}) {
    Frame corrupt = f;
    corrupt[at] ^= 0x40;
    EXPECT_EQ(claimant(corrupt, kTarget), std::nullopt) << "byte " << at;
  }
}

// A link that records what is sent and, after the n-th send, delivers the
// frames queued for it.
class FakeLink : public FrameLink {
 public:
  bool send(std::span<const uint8_t> frame) override {
    sent.emplace_back(frame.begin(), frame.end());
    if (failSend) return false;
    for (Frame& f : afterSend[sent.size()]) pending.push_back(std::move(f));
    return true;
  }
  std::optional<Frame> receive(milliseconds wait) override {
    if (failReceive) return std::nullopt;
    if (pending.empty()) {
      std::this_thread::sleep_for(wait);
      return std::nullopt;
    }
    Frame f = std::move(pending.front());
    pending.pop_front();
    return f;
  }
  bool failed() const override { return failSend || failReceive; }

  std::vector<Frame> sent;
  std::map<size_t, std::vector<Frame>> afterSend;
  std::deque<Frame> pending;
  bool failSend = false;
  bool failReceive = false;
};

constexpr ProbeTiming kQuick{3, milliseconds(2), milliseconds(5)};

TEST(ArpProbeTest, SilenceAfterEveryProbeMeansFree) {
  FakeLink link;
  EXPECT_EQ(probeAddress(link, kOurs, kTarget, std::nullopt, kQuick).kind,
            ProbeResult::Kind::kFree);
  ASSERT_EQ(link.sent.size(), 3u);
  EXPECT_EQ(link.sent[2], buildProbe(kOurs, kTarget));
}

TEST(ArpProbeTest, AnAnswerToALaterProbeStillCountsAndEndsTheProbing) {
  FakeLink link;
  link.afterSend[2] = {arpFrame(2, kOther, kTarget + 7), arpFrame(2, kOther, kTarget)};
  const ProbeResult result = probeAddress(link, kOurs, kTarget, std::nullopt, kQuick);
  EXPECT_EQ(result.kind, ProbeResult::Kind::kInUse);
  EXPECT_EQ(result.answeredBy, kOther);
  EXPECT_EQ(link.sent.size(), 2u);
}

// A thread too late for its window (here a window of none) still reads the
// answer that arrived: silence would let the address be taken.
TEST(ArpProbeTest, AnswerWaitingWhenTheWindowHasPassedStillClaimsTheAddress) {
  FakeLink link;
  link.afterSend[1] = {arpFrame(2, kOurs, kTarget), arpFrame(2, kOther, kTarget)};
  const ProbeResult result =
      probeAddress(link, kOurs, kTarget, std::nullopt, {1, milliseconds(0), milliseconds(0)});
  EXPECT_EQ(result.kind, ProbeResult::Kind::kInUse);
  EXPECT_EQ(result.answeredBy, kOther);
}

TEST(ArpProbeTest, OurOwnFramesAndTheOwnersAnswerDoNotClaimTheAddress) {
  FakeLink link;
  link.afterSend[1] = {arpFrame(2, kOurs, kTarget), arpFrame(2, kOwner, kTarget)};
  EXPECT_EQ(probeAddress(link, kOurs, kTarget, kOwner, kQuick).kind, ProbeResult::Kind::kFree);
  link.afterSend[1] = {arpFrame(2, kOwner, kTarget)};
  link.sent.clear();
  EXPECT_EQ(probeAddress(link, kOurs, kTarget, std::nullopt, kQuick).answeredBy, kOwner);
}

TEST(ArpProbeTest, FailingLinkIsReportedNotTakenForSilence) {
  FakeLink link;
  link.failSend = true;
  EXPECT_EQ(probeAddress(link, kOurs, kTarget, std::nullopt, kQuick).kind,
            ProbeResult::Kind::kLinkFailed);
  link.failSend = false;
  link.failReceive = true;
  EXPECT_EQ(probeAddress(link, kOurs, kTarget, std::nullopt, kQuick).kind,
            ProbeResult::Kind::kLinkFailed);
}

}  // namespace
}  // namespace net

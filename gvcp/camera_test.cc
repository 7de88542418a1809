#include "gvcp/camera.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <set>
#include <tuple>

#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"

namespace {

using testing_peer::ackFor;
using testing_peer::Bytes;
using testing_peer::header;
using testing_peer::ScriptedPeer;
using Clock = std::chrono::steady_clock;

// Answers every READREG of the privilege register with 3 and ignores the rest:
// a second exchange that is answered shows what the first one sent.
std::vector<Bytes> answerCcpOnly(const Bytes& request) {
  if (header(request).command != gvcp::READREG_CMD) return {};
  if (gvcp::getBe32(request.data() + gvcp::kHeaderSize) != gvcp::Registers::kCcp) return {};
  return {ackFor(request, Bytes{0, 0, 0, 3})};
}

std::set<int> openDescriptors() {
  std::set<int> fds;
  DIR* dir = ::opendir("/proc/self/fd");
  if (dir == nullptr) return fds;
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') fds.insert(std::atoi(entry->d_name));
  }
  fds.erase(::dirfd(dir));
  ::closedir(dir);
  return fds;
}

class CameraTest : public ::testing::Test {
 protected:
  void startPeer(testing_peer::Script script, std::chrono::microseconds answerDelay = {},
                 std::chrono::milliseconds replyGap = {}) {
    peer = std::make_unique<ScriptedPeer>(std::move(script), answerDelay, replyGap);
    ASSERT_TRUE(peer->ok());
    camera = std::make_unique<Camera>(peer->ip(), peer->port());
  }
  // One READREG of CCP that the scripts answer, to mark the end of a sequence.
  void readCcp() {
    unsigned int value = 0;
    ASSERT_EQ(camera->readreg(gvcp::Registers::kCcp, &value), 0);
    EXPECT_EQ(value, 3u);
  }

  std::unique_ptr<ScriptedPeer> peer;
  std::unique_ptr<Camera> camera;
};

TEST_F(CameraTest, ReadregSendsBigEndianCommandWithFirstRequestIdOne) {
  startPeer(answerCcpOnly);
  readCcp();
  const Bytes expected = {0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x01, 0x00, 0x00, 0x0A, 0x00};
  ASSERT_EQ(peer->count(), 1u);
  EXPECT_EQ(peer->received()[0], expected);
}

TEST_F(CameraTest, RequestIdsCountUpAndWrapFromFFFFToOne) {
  startPeer(answerCcpOnly);
  // Ids 1..65533: unanswered writes, with an answered read every 100 so the
  // peer's receive queue never overflows. Then reads carry 65534, 65535, 1.
  uint8_t address[4] = {0, 0, 0x0A, 0};
  uint8_t answer[4] = {};
  for (int id = 1; id <= 0xFFFD; ++id) {
    if (id % 100 == 0) {
      ASSERT_EQ(camera->gvcp_transport_ext(gvcp::READREG_CMD, 4, address, 4, answer, 1, 10000), 0);
    } else {
      ASSERT_EQ(camera->writereg(gvcp::Registers::kCcp, 0, false), 0);
    }
  }
  readCcp();
  readCcp();
  readCcp();
  const std::vector<Bytes> got = peer->received();
  ASSERT_EQ(got.size(), 0xFFFDu + 3);
  for (size_t i = 0; i < 0xFFFF; ++i) ASSERT_EQ(header(got[i]).req_id, i + 1);
  EXPECT_EQ(header(got.back()).req_id, 1);
}

TEST_F(CameraTest, WriteWithoutAcknowledgeIsSentOnceWithFlagZeroAndUsesAnId) {
  startPeer(answerCcpOnly);
  ASSERT_EQ(camera->writereg(gvcp::Registers::kPersistentIp, 0xC0A8010A, false), 0);
  readCcp();
  const std::vector<Bytes> got = peer->received();
  const Bytes write = {0x42, 0x00, 0x00, 0x82, 0x00, 0x08, 0x00, 0x01,
                       0x00, 0x00, 0x06, 0x4C, 0xC0, 0xA8, 0x01, 0x0A};
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], write);
  EXPECT_EQ(header(got[1]).req_id, 2);
}

TEST_F(CameraTest, WriteWithoutAcknowledgeReturnsAtOnceWhenNobodyListens) {
  Camera nowhere(htonl(INADDR_LOOPBACK), 9);  // discard port: nothing answers
  const auto start = Clock::now();
  EXPECT_EQ(nowhere.writereg(gvcp::Registers::kCcp, 0, false), 0);
  // Waiting for an acknowledge would spend the whole budget.
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(gvcp::kGvcpAckBudgetMs));
}

TEST_F(CameraTest, StaleAckIdIsSkippedAndTheRightAckAccepted) {
  startPeer([](const Bytes& request) {
    Bytes stale = ackFor(request, Bytes{0xDE, 0xAD, 0xBE, 0xEF});
    gvcp::putBe16(stale.data() + 6, static_cast<uint16_t>(header(request).req_id - 1));
    return std::vector<Bytes>{stale, Bytes{1, 2, 3}, ackFor(request, Bytes{0, 0, 0, 7})};
  });
  unsigned int value = 0;
  EXPECT_EQ(camera->readreg(gvcp::Registers::kIpConfigSupported, &value), 0);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(peer->count(), 1u);
}

TEST_F(CameraTest, CameraStatusIsPassedOnAndLeavesValueUntouched) {
  startPeer([](const Bytes& request) {
    return std::vector<Bytes>{ackFor(request, Bytes{0, 0, 0, 9}, gvcp::kStatusAccessDenied)};
  });
  unsigned int value = 42;
  EXPECT_EQ(camera->readreg(gvcp::Registers::kCcp, &value), gvcp::kStatusAccessDenied);
  EXPECT_EQ(value, 42u);
}

// Each case answers the first READREG with one faulty acknowledge.
struct FaultyAck {
  const char* name;
  Bytes (*make)(const Bytes& request);
  int expected;
};

class CameraFaultyAckTest : public CameraTest, public ::testing::WithParamInterface<FaultyAck> {};

TEST_P(CameraFaultyAckTest, EndsTheExchangeAtOnceWithItsCode) {
  auto make = GetParam().make;
  startPeer([make](const Bytes& request) -> std::vector<Bytes> {
    if (header(request).req_id == 1) return {make(request)};
    return answerCcpOnly(request);
  });
  unsigned int value = 42;
  EXPECT_EQ(camera->readreg(gvcp::Registers::kDeviceMacHigh, &value), GetParam().expected);
  EXPECT_EQ(value, 42u);
  readCcp();  // would meet a retry of the first command first, had there been one
  ASSERT_EQ(peer->count(), 2u);
  EXPECT_EQ(header(peer->received()[1]).req_id, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, CameraFaultyAckTest,
    ::testing::Values(FaultyAck{"WrongAckCode",
                                [](const Bytes& r) {
                                  Bytes ack = ackFor(r, Bytes(4));
                                  gvcp::putBe16(ack.data() + 2, gvcp::WRITEREG_ACK);
                                  return ack;
                                },
                                gvcp::kGvcpWrongAck},
                      FaultyAck{"LengthFieldShorterThanDatagram",
                                [](const Bytes& r) {
                                  Bytes ack = ackFor(r, Bytes(8));
                                  gvcp::putBe16(ack.data() + 4, 4);
                                  return ack;
                                },
                                gvcp::kGvcpWrongLength},
                      FaultyAck{"LengthFieldLongerThanDatagram",
                                [](const Bytes& r) {
                                  Bytes ack = ackFor(r, Bytes(4));
                                  gvcp::putBe16(ack.data() + 4, 8);
                                  return ack;
                                },
                                gvcp::kGvcpWrongLength},
                      FaultyAck{"PayloadLargerThanAnswerBuffer",
                                [](const Bytes& r) { return ackFor(r, Bytes(8)); },
                                gvcp::kGvcpAnswerTooLarge},
                      // What fits the receive buffer matches the length field; more follows.
                      FaultyAck{"DatagramLongerThanTheReceiveBuffer",
                                [](const Bytes& r) {
                                  Bytes ack = ackFor(r, Bytes(gvcp::kMaxAckPayload + 4));
                                  gvcp::putBe16(ack.data() + 4, gvcp::kMaxAckPayload);
                                  return ack;
                                },
                                gvcp::kGvcpWrongLength}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CameraTest, AcknowledgeWantedWithoutAnswerBufferGivesNoAnswerBuffer) {
  startPeer([](const Bytes& request) { return std::vector<Bytes>{ackFor(request, Bytes(4))}; });
  uint8_t payload[4] = {0, 0, 0x0A, 0};
  EXPECT_EQ(camera->gvcp_transport(gvcp::READREG_CMD, 4, payload, 4, nullptr),
            gvcp::kGvcpNoAnswerBuffer);
}

TEST_F(CameraTest, ZeroAttemptsSendNothingAndStillUseAnId) {
  startPeer(answerCcpOnly);
  uint8_t payload[4] = {0, 0, 0x0A, 0};
  uint8_t answer[4] = {};
  EXPECT_EQ(camera->gvcp_transport_ext(gvcp::READREG_CMD, 4, payload, 4, answer, 0, 200),
            gvcp::kGvcpNoAnswer);
  EXPECT_EQ(camera->gvcp_transport_ext(gvcp::READREG_CMD, 4, payload, 4, answer, -1, 200),
            gvcp::kGvcpNoAnswer);
  readCcp();
  ASSERT_EQ(peer->count(), 1u);
  EXPECT_EQ(header(peer->received()[0]).req_id, 3);
}

TEST_F(CameraTest, SilentCameraCostsOneBudgetAndThreeIdenticalSends) {
  startPeer(answerCcpOnly);
  unsigned int value = 42;
  const auto start = Clock::now();
  EXPECT_EQ(camera->readreg(gvcp::Registers::kDeviceMacLow, &value), gvcp::kGvcpNoAnswer);
  const auto elapsed = Clock::now() - start;
  EXPECT_GE(elapsed, std::chrono::milliseconds(gvcp::kGvcpAckBudgetMs - 5));
  // A budget renewed per attempt would take at least three budgets.
  EXPECT_LT(elapsed, std::chrono::milliseconds(gvcp::kGvcpAttempts * gvcp::kGvcpAckBudgetMs));
  EXPECT_EQ(value, 42u);
  readCcp();
  const std::vector<Bytes> got = peer->received();
  ASSERT_EQ(got.size(), 4u);
  EXPECT_EQ(got[0], got[1]);
  EXPECT_EQ(got[1], got[2]);
  EXPECT_EQ(header(got[0]).req_id, 1);
  EXPECT_EQ(header(got[3]).req_id, 2);
}

// Drops the first copy of every request (a datagram lost on the way) and
// answers the re-send.
testing_peer::Script answerOnlyResends() {
  auto seen = std::make_shared<std::set<uint16_t>>();
  return [seen](const Bytes& request) {
    if (seen->insert(header(request).req_id).second) return std::vector<Bytes>{};
    return std::vector<Bytes>{ackFor(request, Bytes{0, 0, 0, 5})};
  };
}

TEST_F(CameraTest, PerAttemptWaitTurnsALostDatagramIntoARetry) {
  startPeer(answerOnlyResends());
  camera->setAckWait(gvcp::AckWait::kPerAttempt);
  unsigned int value = 0;
  EXPECT_EQ(camera->readreg(gvcp::Registers::kIpConfigCurrent, &value), 0);
  EXPECT_EQ(value, 5u);
  EXPECT_EQ(peer->count(), 2u);
}

TEST_F(CameraTest, PerAttemptWaitOnASilentCameraWaitsForEveryAttempt) {
  startPeer(answerCcpOnly);
  camera->setAckWait(gvcp::AckWait::kPerAttempt);
  unsigned int value = 0;
  const auto start = Clock::now();
  EXPECT_EQ(camera->readreg(gvcp::Registers::kDeviceMacLow, &value), gvcp::kGvcpNoAnswer);
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(3 * gvcp::kGvcpAckBudgetMs - 5));
  EXPECT_EQ(peer->count(), 3u);
}

// The answer comes half a budget late: a first wait shorter than the budget
// (one split over the attempts) would re-send before it. The budget is long,
// so a loaded machine cannot make the answer later than all of it.
TEST_F(CameraTest, SlowAnswerWithinTheBudgetIsTakenWithoutResend) {
  constexpr int kBudgetMs = 1200;
  startPeer(
      [](const Bytes& request) {
        return std::vector<Bytes>{ackFor(request, Bytes{0, 0, 0, 5})};
      },
      std::chrono::milliseconds(kBudgetMs / 2));
  uint8_t address[4] = {};
  gvcp::putBe32(address, gvcp::Registers::kIpConfigCurrent);
  uint8_t answer[4] = {};
  EXPECT_EQ(camera->gvcp_transport_ext(gvcp::READREG_CMD, sizeof address, address, sizeof answer,
                                       answer, gvcp::kGvcpAttempts, kBudgetMs),
            0);
  EXPECT_EQ(gvcp::getBe32(answer), 5u);
  EXPECT_EQ(peer->count(), 1u);
}

// A success must carry the whole answer. Literal answers to the first
// request: call 0 readreg, 1 readmem of 6 bytes, 2 writereg.
TEST_F(CameraTest, AcknowledgeShortOfItsAnswerFailsAndLeavesTheBufferAlone) {
  const std::tuple<int, Bytes, int> cases[] = {
      {0, {0, 0, 0, 0x81, 0, 2, 0, 1, 0x12, 0x34}, gvcp::kGvcpShortAnswer},
      {1, {0, 0, 0, 0x85, 0, 8, 0, 1, 0, 0, 0, 0x68, 'A', 'B', 'C', 'D'}, gvcp::kGvcpShortAnswer},
      {1, {0, 0, 0, 0x85, 0, 10, 0, 1, 0, 0, 0, 0x68, 'A', 'B', 'C', 'D', 'E', 'F'}, 0},
      {2, {0, 0, 0, 0x83, 0, 0, 0, 1}, gvcp::kGvcpShortAnswer}};
  for (const auto& [call, ack, expected] : cases) {
    startPeer([ack](const Bytes&) { return std::vector<Bytes>{ack}; });
    unsigned int value = 42;
    uint8_t dest[6] = {};
    const int result = call == 0   ? camera->readreg(gvcp::Registers::kCcp, &value)
                       : call == 1 ? camera->readmem(gvcp::Registers::kModelName, dest, sizeof dest)
                                   : camera->writereg(gvcp::Registers::kCcp, 3);
    EXPECT_EQ(result, expected) << ::testing::PrintToString(ack);
    EXPECT_EQ(value == 42 && dest[0] == 0, result != 0);
  }
}

// The first request gets `pendings` PENDING_ACKs (ack_id `id`), then its answer,
// 300 ms apart; a later request the peer answers after all before it.
TEST_F(CameraTest, PendingAcknowledgeHoldsTheAttemptOpenWithoutResendWithinTheLimit) {
  using std::chrono::milliseconds;
  // ack_id, PENDING_ACKs, answered, limit ms, result, commands sent, least ms.
  const std::tuple<uint16_t, size_t, bool, int, int, size_t, int> cases[] = {
      {1, 1, true, 2000, 0, 1, 295},
      {1, 1, true, 0, gvcp::kGvcpWrongAck, 1, 0},
      {1, 6, false, 600, gvcp::kGvcpNoAnswer, 1, 795},  // budget 200 + limit 600
      {0x7777, 1, true, 2000, gvcp::kGvcpNoAnswer, 3, 195}};
  for (const auto& [id, pendings, answered, limit, expected, sends, least] : cases) {
    Bytes pending = {0, 0, 0, 0x89, 0, 4, 0, 0, 0, 0, 0x03, 0xE8};  // 1000 ms
    gvcp::putBe16(pending.data() + 6, id);
    startPeer(
        [=](const Bytes& r) {
          if (header(r).req_id != 1) return answerCcpOnly(r);
          std::vector<Bytes> replies(pendings, pending);
          if (answered) replies.push_back(ackFor(r, Bytes{0, 0, 0, 5}));
          return replies;
        },
        {}, milliseconds(300));
    camera->setPendingAckLimit(milliseconds(limit));
    unsigned int value = 0;
    const auto start = Clock::now();
    EXPECT_EQ(camera->readreg(gvcp::Registers::kIpConfigCurrent, &value), expected) << limit;
    const auto taken = Clock::now() - start;
    EXPECT_TRUE(taken >= milliseconds(least) && taken < milliseconds(1400)) << limit;
    uint8_t ccp[4] = {0, 0, 0x0A, 0}, answer[4];
    ASSERT_EQ(camera->gvcp_transport_ext(gvcp::READREG_CMD, 4, ccp, 4, answer, 1, 10000), 0);
    EXPECT_EQ(peer->count(), sends + 1) << limit;
  }
}

// A pending wait sends the heartbeat itself, under ids the next exchange follows.
TEST_F(CameraTest, PendingWaitSendsTheHeartbeatUnderIdsTheNextExchangeSkips) {
  const Bytes pending = {0, 0, 0, 0x89, 0, 4, 0, 1, 0, 0, 0x09, 0xC4};  // 2500 ms
  startPeer(
      [pending](const Bytes& r) {
        if (header(r).req_id != 1) return answerCcpOnly(r);
        return std::vector<Bytes>{pending, ackFor(r, Bytes{0, 0, 0, 5})};
      },
      {}, std::chrono::milliseconds(1600));
  camera->setPendingAckLimit(std::chrono::milliseconds(3000));
  ASSERT_EQ(camera->readreg(gvcp::Registers::kIpConfigCurrent, nullptr), 0);
  readCcp();
  const std::vector<Bytes> sent = peer->received();
  ASSERT_EQ(sent.size(), 3u);
  EXPECT_EQ(answerCcpOnly(sent[1]).size(), 1u) << "the beat reads the privilege register";
  EXPECT_EQ(header(sent[2]).req_id, 3);
}

// Memory access: sizes, rounding and padding.
TEST_F(CameraTest, ReadmemOfOddCountSendsItUnchangedAndCopiesOnlyThatMany) {
  testing_peer::RegisterDevice device;
  device.setText(gvcp::Registers::kModelName, "ABCDEFGH");
  startPeer(device.script());
  uint8_t dest[8];
  std::memset(dest, 0xEE, sizeof dest);
  ASSERT_EQ(camera->readmem(gvcp::Registers::kModelName, dest, 6), 0);
  EXPECT_EQ(Bytes(dest, dest + 8), (Bytes{'A', 'B', 'C', 'D', 'E', 'F', 0xEE, 0xEE}));
  const Bytes expected = {0x42, 0x01, 0x00, 0x84, 0x00, 0x08, 0x00, 0x01,
                          0x00, 0x00, 0x00, 0x68, 0x00, 0x00, 0x00, 0x06};
  EXPECT_EQ(peer->received()[0], expected);
}

TEST_F(CameraTest, Readmem536FitsTheReceiveBufferAnd537CannotFit) {
  testing_peer::RegisterDevice device;
  std::vector<uint8_t> pattern(540);
  for (size_t i = 0; i < pattern.size(); ++i) pattern[i] = static_cast<uint8_t>(i * 7);
  device.setBytes(0x1000, pattern);
  startPeer(device.script());
  std::vector<uint8_t> dest(540, 0);
  ASSERT_EQ(camera->readmem(0x1000, dest.data(), 536), 0);
  EXPECT_TRUE(std::equal(dest.begin(), dest.begin() + 536, pattern.begin()));
  std::vector<uint8_t> untouched(540, 0x55);
  EXPECT_EQ(camera->readmem(0x1000, untouched.data(), 537), gvcp::kGvcpWrongLength);
  EXPECT_EQ(untouched, std::vector<uint8_t>(540, 0x55));
}

TEST_F(CameraTest, ReadmemRefusesNullBufferAndUncarriableCountsWithoutSending) {
  startPeer(answerCcpOnly);
  uint8_t dest[4];
  EXPECT_EQ(camera->readmem(0, nullptr, 4), gvcp::kGvcpNoAnswerBuffer);
  EXPECT_EQ(camera->readmem(0, dest, -4), gvcp::kGvcpNoAnswerBuffer);
  EXPECT_EQ(camera->readmem(0, dest, 65529), gvcp::kGvcpAnswerTooLarge);
  readCcp();
  EXPECT_EQ(peer->count(), 1u);
}

TEST_F(CameraTest, WritememPadsDataToAMultipleOfFourWithZeros) {
  startPeer([](const Bytes& request) { return std::vector<Bytes>{ackFor(request, Bytes(4))}; });
  uint8_t data[5] = {1, 2, 3, 4, 5};
  ASSERT_EQ(camera->writemem(0x2000, data, 5), 0);
  const Bytes expected = {0x42, 0x01, 0x00, 0x86, 0x00, 0x0C, 0x00, 0x01, 0x00, 0x00,
                          0x20, 0x00, 1,    2,    3,    4,    5,    0,    0,    0};
  EXPECT_EQ(peer->received()[0], expected);
}

// A broken or missing socket: no exchange may touch a descriptor again.
TEST_F(CameraTest, AfterAFailedWaitLaterExchangesNeverTouchTheOldDescriptor) {
  startPeer(answerCcpOnly);
  readCcp();
  // The camera's own socket is the one descriptor the constructor added.
  const std::set<int> before = openDescriptors();
  Camera broken(peer->ip(), peer->port());
  std::set<int> added;
  for (int fd : openDescriptors()) {
    if (!before.count(fd)) added.insert(fd);
  }
  ASSERT_EQ(added.size(), 1u);
  const int fd = *added.begin();
  ASSERT_EQ(::close(fd), 0);  // the wait on it now fails
  unsigned int value = 0;
  EXPECT_EQ(broken.readreg(gvcp::Registers::kCcp, &value), gvcp::kGvcpWaitFailed);
  // A new socket takes the freed number; the broken Camera must leave it alone.
  net::UniqueFd newcomer(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  ASSERT_EQ(newcomer.get(), fd);
  const auto start = Clock::now();
  EXPECT_EQ(broken.readreg(gvcp::Registers::kCcp, &value), gvcp::kGvcpWaitFailed);
  EXPECT_EQ(broken.writereg(gvcp::Registers::kCcp, 0, false), gvcp::kGvcpWaitFailed);
  // A wait on the newcomer would spend a whole budget.
  EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(gvcp::kGvcpAckBudgetMs));
  readCcp();
  EXPECT_EQ(peer->count(), 2u);  // the read before and the read after
  EXPECT_NE(::fcntl(newcomer.get(), F_GETFD), -1);
}

TEST_F(CameraTest, CameraWhoseSocketCouldNotOpenFailsEveryExchangeAtOnce) {
  startPeer(answerCcpOnly);
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  // The lowest free number becomes the limit, so no new descriptor fits.
  int lowestFree = -1;
  {
    net::UniqueFd probe(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    lowestFree = probe.get();
  }
  ASSERT_GE(lowestFree, 0);
  rlimit tight = saved;
  tight.rlim_cur = static_cast<rlim_t>(lowestFree);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
  auto starved = std::make_unique<Camera>(peer->ip(), peer->port());
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &saved), 0);
  unsigned int value = 0;
  uint8_t dest[4];
  EXPECT_EQ(starved->readreg(gvcp::Registers::kCcp, &value), gvcp::kGvcpWaitFailed);
  EXPECT_EQ(starved->writereg(gvcp::Registers::kCcp, 3), gvcp::kGvcpWaitFailed);
  EXPECT_EQ(starved->writereg(gvcp::Registers::kCcp, 3, false), gvcp::kGvcpWaitFailed);
  EXPECT_EQ(starved->readmem(gvcp::Registers::kModelName, dest, 4), gvcp::kGvcpWaitFailed);
  starved.reset();
  readCcp();
  EXPECT_EQ(peer->count(), 1u);
}

}  // namespace

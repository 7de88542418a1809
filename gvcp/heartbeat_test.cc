#include "gvcp/heartbeat.h"

#include <dirent.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "gvcp/camera.h"
#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"

namespace {

using testing_peer::Bytes;
using testing_peer::header;
using testing_peer::RegisterDevice;
using testing_peer::ScriptedPeer;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

int threadCount() {
  int count = 0;
  DIR* dir = ::opendir("/proc/self/task");
  if (dir == nullptr) return -1;
  while (const dirent* entry = ::readdir(dir)) count += entry->d_name[0] != '.' ? 1 : 0;
  ::closedir(dir);
  return count;
}

// A joined thread can stay listed for a moment: the kernel wakes the joiner
// as the thread exits, before it drops the thread's entry, and under load
// that moment stretches. A worker left running stays listed; the bound is far
// longer than the moment and far shorter than the pauses of these workers'
// lives (they beat every 10 ms or sleep 60 s).
bool threadsBackTo(int expected) {
  const auto deadline = Clock::now() + std::chrono::seconds(5);
  while (threadCount() != expected) {
    if (Clock::now() > deadline) return false;
    std::this_thread::yield();
  }
  return true;
}

class HeartbeatTest : public ::testing::Test {
 protected:
  void SetUp() override { startPeer({}); }
  void startPeer(std::chrono::microseconds answerDelay) {
    camera.reset();
    device.setRegister(gvcp::Registers::kCcp, 3);
    device.setRegister(gvcp::Registers::kIpConfigSupported, 7);
    peer = std::make_unique<ScriptedPeer>(device.script(), answerDelay);
    ASSERT_TRUE(peer->ok());
    camera = std::make_unique<Camera>(peer->ip(), peer->port());
  }
  // Every request the peer saw must be a READREG of the privilege register.
  void expectOnlyCcpReads() {
    for (const Bytes& request : peer->received()) {
      EXPECT_EQ(header(request).command, gvcp::READREG_CMD);
      EXPECT_EQ(gvcp::getBe32(request.data() + gvcp::kHeaderSize), gvcp::Registers::kCcp);
    }
  }

  RegisterDevice device;
  std::unique_ptr<ScriptedPeer> peer;
  std::unique_ptr<Camera> camera;
};

TEST_F(HeartbeatTest, NeverStartedCreatesNoThreadAndSendsNothing) {
  const int threads = threadCount();
  { Heartbeat idle(camera.get(), 1); }
  EXPECT_TRUE(threadsBackTo(threads));
  unsigned int value = 0;
  ASSERT_EQ(camera->readreg(gvcp::Registers::kIpConfigSupported, &value), 0);
  ASSERT_EQ(peer->count(), 1u);
  EXPECT_EQ(header(peer->received()[0]).req_id, 1);  // no beat took an id before
}

TEST_F(HeartbeatTest, FirstBeatReadsCcpAtOnceAndStopWakesTheLongPause) {
  const int threads = threadCount();
  Heartbeat heartbeat(camera.get(), 60000);
  const auto start = Clock::now();
  ASSERT_EQ(heartbeat.start(), 0);
  ASSERT_TRUE(peer->waitForCount(1));
  EXPECT_LT(peer->arrivals()[0] - start, milliseconds(1000));
  const auto stopAt = Clock::now();
  heartbeat.stop();
  EXPECT_LT(Clock::now() - stopAt, milliseconds(1000));
  EXPECT_TRUE(threadsBackTo(threads));
  expectOnlyCcpReads();
  EXPECT_EQ(peer->count(), 1u);
}

TEST_F(HeartbeatTest, BeatsRepeatNoSoonerThanTheInterval) {
  constexpr int kIntervalMs = 60;
  constexpr int kBeats = 5;
  Heartbeat heartbeat(camera.get(), kIntervalMs);
  ASSERT_EQ(heartbeat.start(), 0);
  ASSERT_TRUE(peer->waitForCount(kBeats));
  heartbeat.stop();
  // Measured where the peer takes the beats, so one late arrival can shorten a
  // single gap; the span over all of them cannot shrink by more than that.
  const auto arrivals = peer->arrivals();
  EXPECT_GE(arrivals[kBeats - 1] - arrivals[0], milliseconds((kBeats - 1) * kIntervalMs - 20));
  expectOnlyCcpReads();
}

TEST_F(HeartbeatTest, StopDuringABeatLetsTheReadFinish) {
  startPeer(milliseconds(150));  // each answer takes 150 ms
  Heartbeat heartbeat(camera.get(), 60000);
  ASSERT_EQ(heartbeat.start(), 0);
  ASSERT_TRUE(peer->waitForCount(1));  // the beat is now waiting for its answer
  heartbeat.stop();
  EXPECT_EQ(peer->answered(), 1u);  // stop returned only after the answer went out
  unsigned int value = 0;
  ASSERT_EQ(camera->readreg(gvcp::Registers::kIpConfigSupported, &value), 0);
  EXPECT_EQ(value, 7u);
  EXPECT_EQ(header(peer->received().back()).req_id, 2);
}

TEST_F(HeartbeatTest, StopRightAfterStartAlwaysJoinsTheWorker) {
  const int threads = threadCount();
  for (int round = 0; round < 200; ++round) {
    Heartbeat heartbeat(camera.get(), 60000);
    ASSERT_EQ(heartbeat.start(), 0);
    heartbeat.stop();
    ASSERT_TRUE(threadsBackTo(threads)) << "round " << round;
  }
}

TEST_F(HeartbeatTest, SecondStopAndDestructionAfterStopDoNothing) {
  const int threads = threadCount();
  {
    Heartbeat heartbeat(camera.get(), 10);
    ASSERT_EQ(heartbeat.start(), 0);
    ASSERT_TRUE(peer->waitForCount(2));
    heartbeat.stop();
    const size_t beats = peer->count();
    heartbeat.stop();
    EXPECT_EQ(heartbeat.disable(), 0);
    EXPECT_EQ(peer->count(), beats);
  }
  EXPECT_TRUE(threadsBackTo(threads));
}

TEST_F(HeartbeatTest, DestructionStopsARunningWorker) {
  const int threads = threadCount();
  {
    Heartbeat heartbeat(camera.get(), 10);
    ASSERT_EQ(heartbeat.start(), 0);
    ASSERT_TRUE(peer->waitForCount(1));
  }
  EXPECT_TRUE(threadsBackTo(threads));
}

// The owner's exchanges and the beats share one Camera: the peer must never
// see a request while an earlier one is unanswered, ids must follow each other
// one by one (no retries, no lost answers), and every answer must reach the
// exchange that asked.
class HeartbeatThreadsTest : public HeartbeatTest {
 protected:
  void ownerExchanges(int count, std::atomic<int>* failures) {
    for (int i = 0; i < count; ++i) {
      unsigned int value = 0;
      if (camera->readreg(gvcp::Registers::kIpConfigSupported, &value) != 0 || value != 7)
        ++*failures;
      if (camera->writereg(0x0100, static_cast<unsigned>(i)) != 0) ++*failures;
    }
  }
  void expectOrderlyIds() {
    const std::vector<Bytes> got = peer->received();
    for (size_t i = 0; i < got.size(); ++i) ASSERT_EQ(header(got[i]).req_id, i + 1) << i;
    EXPECT_EQ(peer->overlaps(), 0);
  }
};

TEST_F(HeartbeatThreadsTest, OwnerExchangesInterleaveWithBeatsWithoutOverlap) {
  startPeer(std::chrono::microseconds(200));
  std::atomic<int> failures{0};
  Heartbeat heartbeat(camera.get(), 0);  // beat as often as the channel allows
  ASSERT_EQ(heartbeat.start(), 0);
  ownerExchanges(150, &failures);
  heartbeat.stop();
  EXPECT_EQ(failures.load(), 0);
  expectOrderlyIds();
}

TEST_F(HeartbeatThreadsTest, TwoOwnersAndABeatShareOneCameraWithoutOverlap) {
  startPeer(std::chrono::microseconds(100));
  std::atomic<int> failures{0};
  Heartbeat heartbeat(camera.get(), 1);
  ASSERT_EQ(heartbeat.start(), 0);
  std::thread other([&] { ownerExchanges(100, &failures); });
  ownerExchanges(100, &failures);
  other.join();
  heartbeat.stop();
  EXPECT_EQ(failures.load(), 0);
  expectOrderlyIds();
}

}  // namespace

#include "app/gige_discovery.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "gvcp/datagram_pair_test_util.h"
#include "gvcp/gvcp_protocol.h"
#include "net/unique_fd.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(DiscoveryChannelTest, ChannelThatNeverProcessedClosesNoForeignDescriptor) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const net::UniqueFd readEnd(pipeFds[0]), writeEnd(pipeFds[1]);
  const int stdinState = ::fcntl(0, F_GETFD);
  { gige_discovery unused; }
  EXPECT_EQ(::fcntl(0, F_GETFD), stdinState);
  EXPECT_NE(::fcntl(readEnd.get(), F_GETFD), -1);
  EXPECT_NE(::fcntl(writeEnd.get(), F_GETFD), -1);
}

TEST(DiscoveryReportTest, FatalReportNamesFileLineAndErrorAndExits255) {
  EXPECT_EXIT(
      {
        errno = EPERM;
        gige_discovery::report_error("socket() error", "gige_discovery", 116, 1, 1);
      },
      ::testing::ExitedWithCode(255),
      "^\\[gige_discovery:116\\] socket\\(\\) error: Operation not permitted\n$");
}

TEST(DiscoveryReportTest, NonFatalReportWithoutErrnoReturns) {
  ::testing::internal::CaptureStderr();
  gige_discovery::report_error("adapter skipped", "gige_discovery", 121, 0, 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "[gige_discovery:121] adapter skipped\n");
}

TEST(DiscoveryChannelTest, AdapterWithoutAddressIsReportedAndNotProbed) {
  // Index 0 names no interface: no name, no address. Nothing is opened or
  // sent, so this runs without the privilege to capture.
  gige_discovery discovery;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(discovery.processing(Adaptor(0u)), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "[gige_discovery:110] no IPv4 address on adapter , adapter skipped\n");
  EXPECT_TRUE(discovery.cameras.empty());
}

// A DISCOVERY_ACK frame from 10.0.0.<host> with MAC 02:..:<host>.
std::array<uint8_t, gvcp::kDiscoveryFrameSize> answerFrom(uint8_t host) {
  std::array<uint8_t, gvcp::kDiscoveryFrameSize> f{};
  f[12] = 0x08;  // IPv4
  f[14] = 0x45;
  f[23] = 17;  // UDP
  f[26] = 10;
  f[29] = host;
  f[34] = 0x0f;  // from port 3956
  f[35] = 0x74;
  f[45] = 0x03;  // DISCOVERY_ACK of 248 bytes
  f[47] = 0xf8;
  f[50 + gvcp::DiscoveryAck::kMac] = 0x02;
  f[50 + gvcp::DiscoveryAck::kMac + 5] = host;
  return f;
}

// The listening loop fed through a datagram socket pair instead of a capture.
class DiscoveryWindowThreads : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(pair.receiver.valid()); }
  void feed(const std::array<uint8_t, gvcp::kDiscoveryFrameSize>& frame) {
    ASSERT_EQ(::send(pair.sender.get(), frame.data(), frame.size(), 0),
              static_cast<ssize_t>(frame.size()));
  }
  // Runs one window and returns how long it took.
  Clock::duration listen(std::chrono::microseconds window, int expectedResult = 0) {
    const Clock::time_point start = Clock::now();
    EXPECT_EQ(listenForAnswers(pair.receiver.get(), adaptor, window, cameras), expectedResult);
    return Clock::now() - start;
  }
  testing_peer::DatagramPair pair = testing_peer::openDatagramPair();
  Adaptor adaptor{0u};
  std::vector<GigE_Camera_Info> cameras;
};

TEST_F(DiscoveryWindowThreads, QueuedAnswersAreTakenOnceEachInArrivalOrder) {
  feed(answerFrom(7));
  feed({});
  feed(answerFrom(3));
  feed(answerFrom(7));
  listen(200ms);
  ASSERT_EQ(cameras.size(), 2u);
  EXPECT_EQ(cameras[0].cameraIp, "10.0.0.7");
  EXPECT_EQ(cameras[1].cameraIp, "10.0.0.3");
}

TEST_F(DiscoveryWindowThreads, SilentWindowLastsItsLengthAndFindsNothing) {
  const Clock::duration took = listen(300ms);
  EXPECT_GE(took, 290ms);
  EXPECT_LT(took, 2s);
  EXPECT_TRUE(cameras.empty());
}

// The second answer is sent only once the listener has taken the first one,
// so it arrives while the window is under way, however a loaded machine
// spaces the two threads.
TEST_F(DiscoveryWindowThreads, LateAnswerWithinTheWindowIsTaken) {
  feed(answerFrom(7));
  std::thread late([&] {
    pollfd waiting{pair.receiver.get(), POLLIN, 0};
    const Clock::time_point giveUp = Clock::now() + 1s;
    while (::poll(&waiting, 1, 0) == 1 && Clock::now() < giveUp) std::this_thread::sleep_for(1ms);
    feed(answerFrom(9));
  });
  listen(1s);
  late.join();
  ASSERT_EQ(cameras.size(), 2u);
  EXPECT_EQ(cameras[0].cameraIp, "10.0.0.7");
  EXPECT_EQ(cameras[1].cameraIp, "10.0.0.9");
}

TEST_F(DiscoveryWindowThreads, ContinuousFramesDoNotRestartTheWindow) {
  std::atomic<bool> stop{false};
  // Unrelated frames every millisecond for up to ten seconds: a window that
  // restarted on every frame would last until the feeder gives up.
  std::thread flood([&] {
    const std::array<uint8_t, gvcp::kDiscoveryFrameSize> junk{};
    const Clock::time_point giveUp = Clock::now() + 10s;
    while (!stop && Clock::now() < giveUp) {
      ::send(pair.sender.get(), junk.data(), junk.size(), MSG_DONTWAIT);
      std::this_thread::sleep_for(1ms);
    }
  });
  const Clock::duration took = listen(300ms);
  stop = true;
  flood.join();
  EXPECT_LT(took, 3s);
  EXPECT_TRUE(cameras.empty());
}

TEST_F(DiscoveryWindowThreads, WaitOnClosedDescriptorFails) {
  pair.receiver.reset();
  int closedFd[2];
  ASSERT_EQ(::pipe(closedFd), 0);
  ::close(closedFd[0]);
  ::close(closedFd[1]);
  const Clock::time_point start = Clock::now();
  EXPECT_EQ(listenForAnswers(closedFd[0], adaptor, 10s, cameras), -1);
  EXPECT_EQ(errno, EBADF);
  // A wait that took the closed descriptor for a silent one would last the window.
  EXPECT_LT(Clock::now() - start, 5s);
}

}  // namespace

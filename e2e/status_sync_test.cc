// The simulated camera writes its status and state files after its answers,
// not before them; a test that reads them once an answer is in must still see
// that answer's effect, and a camera that is stopped leaves nothing unwritten.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <string>

#include "e2e/namespace_thread.h"
#include "gvcp/camera.h"
#include "testbed/testbed.h"

namespace {

constexpr char kCameraIp[] = "192.168.67.10";

class StatusSyncEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    NUV_REQUIRE_TESTBED();
    host = net.addHost("host");
    const std::string sw = net.addSwitch("sw");
    ASSERT_TRUE(net.connect(host, "eth1", sw, "192.168.67.1/24")) << net.lastError();
    testbed::CameraSpec setup;
    setup.ip = kCameraIp;
    camera = std::make_unique<testbed::SimulatedCamera>(net, sw, "cam", setup);
    ASSERT_TRUE(camera->ready()) << camera->process().errors();
  }
  // Runs `work` with a control channel to the camera from the host namespace.
  void withChannel(const std::function<void(Camera&)>& work) {
    ASSERT_TRUE(inNamespace(host, [&] {
      Camera channel(inet_addr(kCameraIp), 3956);
      work(channel);
    }));
  }

  testbed::Network net;
  std::string host;
  std::unique_ptr<testbed::SimulatedCamera> camera;
};

TEST_F(StatusSyncEndToEnd, EveryAnsweredRequestIsCountedWhenTheStatusIsReadRightAfter) {
  for (int answered = 1; answered <= 20; ++answered) {
    unsigned int value = 0;
    withChannel([&](Camera& channel) { ASSERT_EQ(channel.readreg(0x0010, &value), 0); });
    ASSERT_EQ(camera->status("count_readreg"), std::to_string(answered));
  }
}

TEST_F(StatusSyncEndToEnd, AcceptedWriteIsInTheStateFileAtOnceAndAfterAStop) {
  withChannel([&](Camera& channel) {
    ASSERT_EQ(channel.writereg(0x0A00, 3), 0);
    ASSERT_EQ(channel.writereg(0x064C, 0x0A000009), 0);
    EXPECT_EQ(camera->persisted("persistent_ip"), "10.0.0.9");
    ASSERT_EQ(channel.writereg(0x065C, 0xFFFF0000), 0);
  });
  // Stopped at once: the last write can only be in the file if the camera
  // wrote what was waiting before it ended.
  EXPECT_EQ(camera->stop(), 0);
  EXPECT_EQ(camera->persisted("persistent_mask"), "255.255.0.0");
  EXPECT_EQ(camera->status("count_writereg"), "3");
}

// A shell has no sigqueue: `testbed.sh show` sends a plain SIGUSR1 and waits
// for its own pid on the "sync" line before it reads.
TEST_F(StatusSyncEndToEnd, PlainSignalIsAnsweredWithTheSendersPid) {
  ASSERT_EQ(::kill(camera->process().pid(), SIGUSR1), 0);
  EXPECT_TRUE(camera->waitForStatus("sync", std::to_string(::getpid()), testbed::Millis(5000)));
}

}  // namespace

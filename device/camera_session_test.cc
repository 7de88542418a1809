#include "device/camera_session.h"

#include <gtest/gtest.h>

#include "gvcp/registers.h"
#include "ipconfig/dialogue_test_util.h"

namespace device {
namespace {

using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

class CameraSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(camera.peer.ok()); }
  testing_peer::DialogueCamera camera;
};

TEST_F(CameraSessionTest, GrantedControlIsGivenBackWhenTheSessionEnds) {
  {
    CameraSession session(camera.peer.ip(), {.port = camera.peer.port()});
    ASSERT_TRUE(session.take().ok());
    EXPECT_EQ(camera.device.getRegister(reg::kCcp), 3u);
  }
  EXPECT_EQ(camera.writes(),
            (Writes{{reg::kHeartbeatTimeout, 3000}, {reg::kCcp, 3}, {reg::kCcp, 0}}));
}

TEST_F(CameraSessionTest, ExplicitReleaseIsTheOnlyOneAndReportsARefusal) {
  camera.refuseRelease = true;
  {
    CameraSession session(camera.peer.ip(), {.port = camera.peer.port()});
    ASSERT_TRUE(session.take().ok());
    EXPECT_FALSE(session.release().ok());
    EXPECT_TRUE(session.release().ok());  // nothing held any more
  }
  EXPECT_EQ(camera.writes(),
            (Writes{{reg::kHeartbeatTimeout, 3000}, {reg::kCcp, 3}, {reg::kCcp, 0}}));
}

TEST_F(CameraSessionTest, RefusedTakeIsReleasedOnceAndNotAgainAtTheEnd) {
  camera.refuse(reg::kCcp);
  {
    CameraSession session(camera.peer.ip(), {.port = camera.peer.port()});
    EXPECT_FALSE(session.take().ok());
  }
  EXPECT_EQ(camera.writes(),
            (Writes{{reg::kHeartbeatTimeout, 3000}, {reg::kCcp, 3}, {reg::kCcp, 0}}));
}

TEST_F(CameraSessionTest, TakeGrantedWithoutAnAnswerLeavesTheCameraFree) {
  camera.loseTakeAcks = true;
  {
    CameraSession session(camera.peer.ip(), {.port = camera.peer.port()});
    EXPECT_FALSE(session.take().ok());
  }
  EXPECT_EQ(camera.device.getRegister(reg::kCcp), 0u);
}

}  // namespace
}  // namespace device

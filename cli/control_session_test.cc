#include "cli/control_session.h"

#include <gtest/gtest.h>

#include "gvcp/registers.h"
#include "ipconfig/dialogue_test_util.h"

namespace {

using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

class ControlSessionTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(camera.peer.ok()); }
  testing_peer::DialogueCamera camera;
};

TEST_F(ControlSessionTest, GrantedControlIsGivenBackWhenTheSessionEnds) {
  {
    ControlSession session(camera.peer.ip(), camera.peer.port());
    ASSERT_TRUE(session.take());
    EXPECT_EQ(camera.device.getRegister(reg::kCcp), 3u);
  }
  EXPECT_EQ(camera.writes(),
            (Writes{{reg::kHeartbeatTimeout, 3000}, {reg::kCcp, 3}, {reg::kCcp, 0}}));
}

TEST_F(ControlSessionTest, ExplicitReleaseIsTheOnlyOneAndReportsARefusal) {
  camera.refuseRelease = true;
  {
    ControlSession session(camera.peer.ip(), camera.peer.port());
    ASSERT_TRUE(session.take());
    EXPECT_FALSE(session.release().ok());
    EXPECT_TRUE(session.release().ok());  // nothing held any more
  }
  EXPECT_EQ(camera.writes(),
            (Writes{{reg::kHeartbeatTimeout, 3000}, {reg::kCcp, 3}, {reg::kCcp, 0}}));
}

TEST_F(ControlSessionTest, RefusedTakeIsReleasedOnceAndNotAgainAtTheEnd) {
  camera.refuse(reg::kCcp);
  {
    ControlSession session(camera.peer.ip(), camera.peer.port());
    EXPECT_FALSE(session.take());
  }
  EXPECT_EQ(camera.writes(),
            (Writes{{reg::kHeartbeatTimeout, 3000}, {reg::kCcp, 3}, {reg::kCcp, 0}}));
}

TEST_F(ControlSessionTest, TakeGrantedWithoutAnAnswerLeavesTheCameraFree) {
  camera.loseTakeAcks = true;
  {
    ControlSession session(camera.peer.ip(), camera.peer.port());
    EXPECT_FALSE(session.take());
  }
  EXPECT_EQ(camera.device.getRegister(reg::kCcp), 0u);
}

}  // namespace

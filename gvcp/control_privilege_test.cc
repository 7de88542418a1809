#include "gvcp/control_privilege.h"

#include <gtest/gtest.h>

#include <atomic>
#include <utility>
#include <vector>

#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"

namespace {

using testing_peer::Bytes;
using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

// A register device on 127.0.0.1 that can carry out the take and lose its
// acknowledge.
class ControlPrivilegeTest : public ::testing::Test {
 protected:
  std::vector<Bytes> answer(const Bytes& request) {
    const bool take = request.size() >= 16 &&
                      testing_peer::header(request).command == gvcp::WRITEREG_CMD &&
                      gvcp::getBe32(request.data() + 8) == gvcp::Registers::kCcp &&
                      gvcp::getBe32(request.data() + 12) == gvcp::Registers::kCcpTake;
    std::vector<Bytes> answers = device.script()(request);
    if (take && loseTakeAcks) return {};
    return answers;
  }
  uint32_t ccp() const { return device.getRegister(gvcp::Registers::kCcp); }

  testing_peer::RegisterDevice device;
  std::atomic<bool> loseTakeAcks{false};
  testing_peer::ScriptedPeer peer{[this](const Bytes& request) { return answer(request); }};
  Camera camera{peer.ip(), peer.port()};
};

TEST_F(ControlPrivilegeTest, GrantedTakeIsOneWriteAndLeavesControlHeld) {
  ASSERT_TRUE(peer.ok());
  EXPECT_TRUE(gvcp::takeControl(camera));
  EXPECT_EQ(device.writes(), (Writes{{gvcp::Registers::kCcp, 3}}));
  EXPECT_EQ(ccp(), 3u);
}

TEST_F(ControlPrivilegeTest, RefusedTakeIsTriedAsOftenAsAskedThenReleasedOnce) {
  device.refuse(gvcp::Registers::kCcp, gvcp::kStatusAccessDenied);
  EXPECT_FALSE(gvcp::takeControl(camera, 2));
  EXPECT_EQ(
      device.writes(),
      (Writes{{gvcp::Registers::kCcp, 3}, {gvcp::Registers::kCcp, 3}, {gvcp::Registers::kCcp, 0}}));
}

TEST_F(ControlPrivilegeTest, TakeGrantedWithoutAnAnswerEndsWithTheCameraFree) {
  loseTakeAcks = true;
  EXPECT_FALSE(gvcp::takeControl(camera));
  EXPECT_EQ(device.writes().back(), (std::pair<uint32_t, uint32_t>{gvcp::Registers::kCcp, 0}));
  EXPECT_EQ(ccp(), 0u);
}

}  // namespace

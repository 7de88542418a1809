#include "device/camera_session.h"

#include <gtest/gtest.h>

#include <tuple>

#include "gvcp/registers.h"
#include "gvcp/scripted_peer_test_util.h"
#include "ipconfig/dialogue_test_util.h"
#include "net/interface_bind.h"

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
    CameraSession session(camera.peer.address(), {.port = camera.peer.port()});
    ASSERT_TRUE(session.take().ok());
    EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kCcp), 3u);
  }
  // The timeout after the take: a device that enforces the privilege refuses it before.
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kHeartbeatTimeout, 3000},
                                     {gvcp::Registers::kCcp, 0}}));
}

TEST_F(CameraSessionTest, ExplicitReleaseIsTheOnlyOneAndReportsARefusal) {
  camera.refuseRelease = true;
  {
    CameraSession session(camera.peer.address(), {.port = camera.peer.port()});
    ASSERT_TRUE(session.take().ok());
    EXPECT_FALSE(session.release().ok());
    EXPECT_TRUE(session.release().ok());  // nothing held any more
  }
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kHeartbeatTimeout, 3000},
                                     {gvcp::Registers::kCcp, 0}}));
}

TEST_F(CameraSessionTest, RefusedTakeIsReleasedOnceAndNotAgainAtTheEnd) {
  camera.refuse(gvcp::Registers::kCcp);
  {
    CameraSession session(camera.peer.address(), {.port = camera.peer.port()});
    EXPECT_FALSE(session.take().ok());
  }
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3}, {gvcp::Registers::kCcp, 0}}));
}

TEST_F(CameraSessionTest, TakeGrantedWithoutAnAnswerLeavesTheCameraFree) {
  camera.loseTakeAcks = true;
  {
    CameraSession session(camera.peer.address(), {.port = camera.peer.port()});
    EXPECT_FALSE(session.take().ok());
  }
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kCcp), 0u);
}

// The device answering at the address is checked after the take and before
// any write: another camera on the same address gets nothing but the release.
TEST_F(CameraSessionTest, AnotherDeviceAtTheAddressIsReleasedWithNothingWritten) {
  camera.device.setRegister(gvcp::Registers::kDeviceMacHigh, 0x0211);
  camera.device.setRegister(gvcp::Registers::kDeviceMacLow, 0x22334455);
  const net::Mac named = {0x02, 0x11, 0x22, 0x33, 0x44, 0x66};
  {
    CameraSession session({camera.peer.address(), "", named, std::nullopt},
                          {.port = camera.peer.port()});
    const gvcp::Status taken = session.take();
    EXPECT_EQ(taken.code(), SessionSite::kWrongCamera);
    EXPECT_EQ(taken.what(),
              "the device answering there is 02:11:22:33:44:55, not 02:11:22:33:44:66");
    EXPECT_FALSE(session.holds());
  }
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3}, {gvcp::Registers::kCcp, 0}}));
}

// After the take, the MAC check and the timeout to put back are one READREG
// where the camera concatenates; known capabilities are not read again.
TEST(CameraSessionExchanges, TakeChecksAndReleasesInFiveExchangesWhereTheCameraConcatenates) {
  for (const auto& [capabilities, exchanges] :
       std::vector<std::pair<uint32_t, int>>{{gvcp::Registers::kCapConcatenation, 5}, {0, 7}}) {
    testing_peer::RegisterDevice device;
    device.setRegister(gvcp::Registers::kDeviceMacHigh, 0x0211);
    device.setRegister(gvcp::Registers::kDeviceMacLow, 0x22334455);
    device.setRegister(gvcp::Registers::kHeartbeatTimeout, 700);
    testing_peer::ScriptedPeer peer(device.script());
    ASSERT_TRUE(peer.ok());
    {
      CameraSession session(
          {peer.address(), "", {{0x02, 0x11, 0x22, 0x33, 0x44, 0x55}}, capabilities},
          {.port = peer.port(), .heartbeat = false});
      ASSERT_TRUE(session.take().ok());
    }
    // Take, read(s), timeout write, timeout put back, release.
    EXPECT_EQ(device.requests(), exchanges) << capabilities;
    EXPECT_EQ(device.writes().at(2),
              (std::pair<uint32_t, uint32_t>{gvcp::Registers::kHeartbeatTimeout, 700}));
  }
}

// A short timeout another application left is put back before control goes.
TEST_F(CameraSessionTest, HeartbeatTimeoutFoundIsPutBackBeforeTheRelease) {
  camera.device.setRegister(gvcp::Registers::kHeartbeatTimeout, 700);
  {
    CameraSession session(camera.peer.address(), {.port = camera.peer.port()});
    ASSERT_TRUE(session.take().ok());
  }
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kHeartbeatTimeout, 3000},
                                     {gvcp::Registers::kHeartbeatTimeout, 700},
                                     {gvcp::Registers::kCcp, 0}}));
}

// PENDING_ACK is enabled on a camera that offers it, and the configuration
// found is put back before control goes.
TEST_F(CameraSessionTest, PendingAckEnabledForTheSessionIsPutBackOnRelease) {
  camera.device.setRegister(gvcp::Registers::kGvcpCapability, gvcp::Registers::kCapPendingAck);
  { ASSERT_TRUE(CameraSession(camera.peer.address(), {.port = camera.peer.port()}).take().ok()); }
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kHeartbeatTimeout, 3000},
                                     {gvcp::Registers::kGvcpConfiguration, 2},
                                     {gvcp::Registers::kGvcpConfiguration, 0},
                                     {gvcp::Registers::kCcp, 0}}));
}

// After the restart request (included) the camera drops `lost` datagrams, then
// answers; `restarts`: the request took and ended the privilege.
TEST(CameraSessionRestart, OnlyTheEndOfThePrivilegeOrALongSilenceCountsAsARestart) {
  using enum RestartRequest;
  const std::tuple<bool, int, RestartRequest> cases[] = {
      {false, 4, kStillRunning}, {true, 4, kSilent}, {true, 1000, kSilent}};
  for (const auto& [restarts, lost, expected] : cases) {
    testing_peer::RegisterDevice device;
    int left = -1;  // the peer's thread only
    testing_peer::ScriptedPeer peer([&, restarts, lost](const testing_peer::Bytes& r) {
      if (gvcp::getBe32(r.data() + gvcp::kHeaderSize) == gvcp::Registers::kRebootRequest)
        left = lost;
      if (left == lost && restarts)
        device.setRegister(gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease);
      if (left >= 0 && left-- > 0) return std::vector<testing_peer::Bytes>{};
      return device.script()(r);
    });
    CameraSession session(peer.address(), {.port = peer.port(), .heartbeat = false});
    ASSERT_TRUE(session.take().ok());
    EXPECT_EQ(session.requestRestart(), expected) << lost;
    EXPECT_EQ(device.getRegister(gvcp::Registers::kCcp),
              gvcp::Registers::kCcpRelease);  // given back if not restarted
  }
}

int refusedForPrivilege(int, const std::string&) { return EPERM; }
int noSuchDevice(int, const std::string&) { return ENODEV; }

// A tie refused for lack of privilege (before Linux 5.7) leaves the channel
// untied and the identity check still guards; any other refusal is fatal.
TEST_F(CameraSessionTest, UntiedChannelGoesOnOnlyWhereThePrivilegeWasMissing) {
  camera.device.setRegister(gvcp::Registers::kDeviceMacHigh, 0x0211);
  camera.device.setRegister(gvcp::Registers::kDeviceMacLow, 0x22334455);
  const struct {
    net::DeviceBindCall bind;
    uint8_t macEnd;
    int code;
  } cases[] = {{refusedForPrivilege, 0x55, 0},
               {refusedForPrivilege, 0x66, SessionSite::kWrongCamera},
               {noSuchDevice, 0x55, SessionSite::kInterface}};
  for (const auto& c : cases) {
    const net::ScopedDeviceBindCall bind(c.bind);
    CameraSession session(
        {camera.peer.address(), "lo", {{2, 0x11, 0x22, 0x33, 0x44, c.macEnd}}, std::nullopt},
        {.port = camera.peer.port()});
    EXPECT_EQ(session.take().code(), c.code) << int(c.macEnd);
  }
}

}  // namespace
}  // namespace device

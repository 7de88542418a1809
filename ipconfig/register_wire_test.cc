// Which registers the camera queries and the configuration writers touch, and
// how wide: every request they send is captured and compared with a table of
// literal addresses, values and byte counts, and the camera's answers are
// placed at literal addresses so a read from the wrong one shows in the text.
#include <arpa/inet.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "gvcp/camera.h"
#include "gvcp/heartbeat.h"
#include "gvcp/wire_log_test_util.h"
#include "ipconfig/dialogue_test_util.h"
#include "ipconfig/gige_ipconfig_helper.h"
#include "ipconfig/ip_reconfigure.h"

namespace {

using testing_peer::capturedOutput;
using testing_peer::DialogueCamera;
using testing_peer::WireAccess;
using testing_peer::wireAccessesOf;
using testing_peer::withoutHeartbeats;
using Accesses = std::vector<WireAccess>;

constexpr uint8_t kAck = 0x01;
constexpr uint16_t kRead = 0x0080;
constexpr uint16_t kWrite = 0x0082;
constexpr uint16_t kReadMem = 0x0084;

// A camera whose registers hold values of their own at their literal addresses.
class RegisterWireTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(camera.peer.ok());
    auto& d = camera.device;
    d.setRegister(0x0008, 0x0000021A);
    d.setRegister(0x000C, 0x2B3C4D5E);
    d.setRegister(0x0010, 0x3);  // persistent, DHCP
    d.setRegister(0x0014, 0x6);  // DHCP, LLA
    d.setRegister(0x0024, 0xC0A8010A);
    d.setRegister(0x0034, 0xFFFFFE00);
    d.setRegister(0x064C, 0x0A000005);
    d.setRegister(0x065C, 0xFF000000);
    d.setText(0x0048, "Maker-At-0x0048");
    d.setText(0x0068, "Model-At-0x0068");
    d.setText(0x0088, "Version-At-0x0088");
    d.setText(0x00A8, "Info-At-0x00A8");
    d.setText(0x00D8, "Serial-At-0x00D8");  // fills its 16 bytes
    d.setText(0x00E8, "User-At-0x00E8");
  }
  Accesses sent() const { return wireAccessesOf(camera.peer.received()); }

  DialogueCamera camera;
};

TEST_F(RegisterWireTest, CameraReportReadsEveryFieldAtItsAddressAndWidth) {
  const std::string out =
      capturedOutput([&] { EXPECT_EQ(doIpConfigHelper("127.0.0.1", camera.peer.port()), 0); });
  EXPECT_EQ(sent(), (Accesses{{kAck, kWrite, 0x0A00, 3},
                              {kAck, kReadMem, 0x0068, 32},
                              {kAck, kReadMem, 0x0048, 32},
                              {kAck, kReadMem, 0x00D8, 16},
                              {kAck, kReadMem, 0x00E8, 16},
                              {kAck, kReadMem, 0x00A8, 48},
                              {kAck, kReadMem, 0x0088, 64},
                              {kAck, kRead, 0x0008, 0},
                              {kAck, kRead, 0x000C, 0},
                              {kAck, kRead, 0x0024, 0},
                              {kAck, kRead, 0x0034, 0},
                              {kAck, kRead, 0x064C, 0},
                              {kAck, kRead, 0x065C, 0},
                              {kAck, kRead, 0x0010, 0},
                              {kAck, kRead, 0x0014, 0},
                              {kAck, kWrite, 0x0A00, 0}}));
  for (const char* line :
       {"Model:            Model-At-0x0068\n", "Manufacturer:     Maker-At-0x0048\n",
        "Serial No:        Serial-At-0x00D8\n", "User Id:          User-At-0x00E8\n",
        "Firmware Info:    Info-At-0x00A8\n", "Firmware Version: Version-At-0x0088\n",
        "Mac address:      02:1A:2B:3C:4D:5E\n",
        "\nCurrent IP Setting:\n-----------------------------\nIp:          192.168.1.10\n"
        "Subnet Mask: 255.255.254.0\n",
        "\nPersistent Ip Setting:\n-----------------------------\nIp:          10.0.0.5\n"
        "Subnet Mask: 255.0.0.0\n",
        "Persistent IP  [N]\t[Y]\nDHCP           [Y]\t[Y]\nLLA            [Y]\t[N]\n"}) {
    EXPECT_THAT(out, ::testing::HasSubstr(line));
  }
}

TEST_F(RegisterWireTest, PersistentStoreWritesAddressMaskAndZeroGatewayUnderControl) {
  // The set's address is the camera's own, here the peer's 127.0.0.1.
  IPV4Set set{inet_addr("127.0.0.1"), inet_addr("255.0.0.0")};
  capturedOutput([&] { EXPECT_EQ(replacePersistentIpSet(&set, false, camera.peer.port()), 0); });
  EXPECT_EQ(sent(), (Accesses{{kAck, kWrite, 0x0A00, 3},
                              {kAck, kWrite, 0x064C, 0x7F000001},
                              {kAck, kWrite, 0x065C, 0xFF000000},
                              {kAck, kWrite, 0x066C, 0},
                              {kAck, kWrite, 0x0A00, 0}}));
}

TEST_F(RegisterWireTest, ConnectionProbeTakesAndGivesBackControlOnly) {
  capturedOutput([&] { EXPECT_EQ(tryToConnect(camera.peer.ip(), 0, camera.peer.port()), 0); });
  EXPECT_EQ(sent(), (Accesses{{kAck, kWrite, 0x0A00, 3}, {kAck, kWrite, 0x0A00, 0}}));
}

TEST_F(RegisterWireTest, PersistentMenuChoiceSetsHeartbeatTimeoutFirstAndConfigurationLast) {
  IPV4Set set{camera.peer.ip(), inet_addr("255.0.0.0")};
  std::istringstream in("1\nyes\n");
  capturedOutput(
      [&] { EXPECT_EQ(replaceCurrentIpConfig(&set, false, in, camera.peer.port()), 0); });
  EXPECT_EQ(withoutHeartbeats(sent()), (Accesses{{kAck, kWrite, 0x0938, 3000},
                                                 {kAck, kWrite, 0x0A00, 3},
                                                 {kAck, kRead, 0x0014, 0},
                                                 {kAck, kWrite, 0x064C, 0x7F000001},
                                                 {kAck, kWrite, 0x065C, 0xFF000000},
                                                 {kAck, kWrite, 0x066C, 0},
                                                 {kAck, kWrite, 0x0014, 0x5},
                                                 {kAck, kWrite, 0x0A00, 0}}));
}

TEST_F(RegisterWireTest, DhcpAndLlaChoicesWriteTheWholeConfigurationWord) {
  for (const auto& [choice, word] : {std::pair{"2\n", 0x6u}, std::pair{"3\n", 0x4u}}) {
    DialogueCamera fresh;
    IPV4Set set{fresh.peer.ip(), inet_addr("255.0.0.0")};
    std::istringstream in(choice);
    capturedOutput([&] { replaceCurrentIpConfig(&set, false, in, fresh.peer.port()); });
    const Accesses writes = withoutHeartbeats(wireAccessesOf(fresh.peer.received()));
    ASSERT_GE(writes.size(), 2u);
    EXPECT_EQ(writes[writes.size() - 2], (WireAccess{kAck, kWrite, 0x0014, word})) << choice;
  }
}

TEST_F(RegisterWireTest, HeartbeatReadsThePrivilegeRegister) {
  Camera channel(camera.peer.ip(), camera.peer.port());
  Heartbeat heartbeat(&channel, 1000);
  ASSERT_EQ(heartbeat.start(), 0);
  ASSERT_TRUE(camera.peer.waitForCount(1));
  heartbeat.stop();
  EXPECT_EQ(sent().at(0), (WireAccess{kAck, kRead, 0x0A00, 0}));
}

}  // namespace

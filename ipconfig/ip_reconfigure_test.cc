#include "ipconfig/ip_reconfigure.h"

#include <gtest/gtest.h>

#include <sstream>

#include "ipconfig/console_input.h"
#include "ipconfig/dialogue_test_util.h"
#include "net/ipv4address.h"

namespace {

using testing_peer::capturedOutput;
using testing_peer::DialogueCamera;
using Writes = std::vector<std::pair<uint32_t, uint32_t>>;

constexpr const char* kMenuAndPrompt =
    "\nWhich protocol do you want to use?\n----------------------------------\n"
    "Index  Protocol\n [1]   Persistent\n [2]   DHCP\n [3]   LLA\n"
    "\nchoose one index to configure camera:\n";
constexpr const char* kConfigured =
    "set configuration succesfully\n"
    "Note: Camera needs to be restarted for the settings to take effect!\n";

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() &&
         text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

// The camera answers at 127.0.0.1, so that is the address handed in; the mask
// is 255.0.0.0.
class ReconfigureThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(camera.peer.ok()); }

  std::string run(const std::string& input, bool showCurrent = false) {
    return capturedOutput([&] {
      IPV4Set set{camera.peer.ip(), htonl(0xFF000000)};
      std::istringstream in(input);
      result = replaceCurrentIpConfig(&set, showCurrent, in, camera.peer.port());
    });
  }

  DialogueCamera camera;
  int result = 99;
};

TEST_F(ReconfigureThreadsTest, PersistentWithYesStoresTheHandedInSet) {
  const std::string out = run("1\nYES\n", true);
  EXPECT_EQ(out, std::string("\nCurrent IP Setting:\n-------------------\n"
                             "Ip:          127.0.0.1\nSubnet Mask: 255.0.0.0\n"
                             "\nCurrent IP Configuration:\n-------------------------\n"
                             "Persistent IP [N]\nDHCP          [Y]\nLLA           [Y]\n") +
                     kMenuAndPrompt +
                     "Do you want to use current IP setting as persistent ip setting?\n"
                     "enter [Yes] or [No]:\n"
                     "persistent IP setting was set succesfully\n" +
                     kConfigured);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kHeartbeatTimeout, 3000},
                                     {gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kPersistentIp, 0x7F000001},
                                     {gvcp::Registers::kPersistentSubnetMask, 0xFF000000},
                                     {gvcp::Registers::kPersistentGateway, 0},
                                     {gvcp::Registers::kIpConfigCurrent, 0x5},
                                     {gvcp::Registers::kCcp, 0}}));
}

TEST_F(ReconfigureThreadsTest, PersistentWithNoStoresTheTypedSetAfterSilentRepeats) {
  const std::string out = run("1\nno\n10.0.0.300\n10.0.0.5\n 255.0.255.0\n255.0.255.0\n");
  EXPECT_TRUE(endsWith(out,
                       "enter [Yes] or [No]:\n"
                       "Input a valid ip address:\nInput a valid ip address:\n"
                       "Input a valid subnet mask:\nInput a valid subnet mask:\n"
                       "new ip address:  10.0.0.5\nnew subnet mask: 255.0.255.0\n"
                       "persistent IP setting was set succesfully\n" +
                           std::string(kConfigured)))
      << out;
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kPersistentIp), 0x0A000005u);
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kPersistentSubnetMask), 0xFF00FF00u);
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kIpConfigCurrent), 0x5u);
}

TEST_F(ReconfigureThreadsTest, DhcpAndLlaWriteTheirValueAndNoPersistentRegister) {
  for (const auto& [input, value] : {std::pair{"2\n", 0x6u}, std::pair{"3\n", 0x4u}}) {
    DialogueCamera fresh;
    std::istringstream in(input);
    IPV4Set set{fresh.peer.ip(), 0};
    const std::string out = capturedOutput(
        [&] { EXPECT_EQ(replaceCurrentIpConfig(&set, false, in, fresh.peer.port()), 0); });
    EXPECT_EQ(out, std::string(kMenuAndPrompt) + kConfigured) << "input " << input;
    EXPECT_EQ(fresh.writes(), (Writes{{gvcp::Registers::kHeartbeatTimeout, 3000},
                                      {gvcp::Registers::kCcp, 3},
                                      {gvcp::Registers::kIpConfigCurrent, value},
                                      {gvcp::Registers::kCcp, 0}}));
    // Nothing is shown, but the configuration register is still read.
    bool readConfig = false;
    for (const testing_peer::Bytes& request : fresh.peer.received()) {
      readConfig |=
          testing_peer::header(request).command == gvcp::READREG_CMD &&
          gvcp::getBe32(request.data() + gvcp::kHeaderSize) == gvcp::Registers::kIpConfigCurrent;
    }
    EXPECT_TRUE(readConfig);
  }
}

TEST_F(ReconfigureThreadsTest, InvalidMenuAndYesNoAnswersAreAnsweredAndAskedAgain) {
  const std::string out = run("0\n4\nabc\n1\ny\n yes\nYes\n");
  const std::string prompt = "\nchoose one index to configure camera:\n";
  EXPECT_NE(out.find(prompt + "Invalid choice: 0\n\n" + prompt + "Invalid choice: 4\n\n" + prompt +
                     "Invalid choice: abc\n\n" + prompt +
                     "Do you want to use current IP setting as persistent ip setting?\n"
                     "enter [Yes] or [No]:\ninvalid, enter again \ninvalid, enter again \n"
                     "persistent IP setting was set succesfully\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kIpConfigCurrent), 0x5u);
}

TEST_F(ReconfigureThreadsTest, EndOfInputAtAnyPromptOnlyGivesControlBack) {
  for (const char* input : {"", "1\n", "1\nno\n", "1\nno\n10.0.0.5\n"}) {
    DialogueCamera fresh;
    std::istringstream in(input);
    IPV4Set set{fresh.peer.ip(), 0};
    const std::string out = capturedOutput(
        [&] { EXPECT_EQ(replaceCurrentIpConfig(&set, false, in, fresh.peer.port()), 0); });
    EXPECT_TRUE(endsWith(out, std::string(kInputEndedLine) + "\n")) << out;
    EXPECT_EQ(fresh.writes(), (Writes{{gvcp::Registers::kHeartbeatTimeout, 3000},
                                      {gvcp::Registers::kCcp, 3},
                                      {gvcp::Registers::kCcp, 0}}))
        << "input '" << input << "'";
  }
}

TEST_F(ReconfigureThreadsTest, CameraRefusingControlGetsOnlyTheHeartbeatTimeoutAndARelease) {
  camera.refuse(gvcp::Registers::kCcp);
  EXPECT_EQ(run("2\n", true), "CCP failed\n");
  EXPECT_EQ(result, -1);
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kHeartbeatTimeout, 3000},
                                     {gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kCcp, 0}}));
}

TEST_F(ReconfigureThreadsTest, RefusedConfigurationRegisterShowsUnknownAndNoRestartNote) {
  camera.refuse(gvcp::Registers::kIpConfigCurrent);
  const std::string out = run("3\n", true);
  EXPECT_NE(out.find("Persistent IP [?]\nDHCP          [?]\nLLA           [?]\n"),
            std::string::npos);
  EXPECT_TRUE(endsWith(out, std::string(kMenuAndPrompt) + "set configuration error\n")) << out;
  EXPECT_EQ(result, 0);
  EXPECT_EQ(camera.writes().back(), std::make_pair(gvcp::Registers::kCcp, 0u));
}

TEST_F(ReconfigureThreadsTest, RefusedPersistentMaskSkipsTheSuccessLineOnly) {
  camera.refuse(gvcp::Registers::kPersistentSubnetMask);
  const std::string out = run("1\nyes\n");
  EXPECT_TRUE(endsWith(out, "enter [Yes] or [No]:\n" + std::string(kConfigured))) << out;
  EXPECT_TRUE(camera.wrote(gvcp::Registers::kPersistentGateway));
}

TEST_F(ReconfigureThreadsTest, FailedReleaseReportsCcpFailed) {
  camera.refuseRelease = true;
  EXPECT_TRUE(endsWith(run("3\n"), std::string(kConfigured) + "CCP failed\n"));
  EXPECT_EQ(result, -1);
}

class ConnectionProbeTest : public ::testing::Test {
 protected:
  int probe() {
    output =
        capturedOutput([&] { result = tryToConnect(camera.peer.ip(), 0, camera.peer.port()); });
    return result;
  }
  DialogueCamera camera;
  std::string output;
  int result = 99;
};

TEST_F(ConnectionProbeTest, GrantingCameraIsTakenAndGivenBackSilently) {
  EXPECT_EQ(probe(), 0);
  EXPECT_EQ(output, "");
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3}, {gvcp::Registers::kCcp, 0}}));
}

TEST_F(ConnectionProbeTest, RefusedTakeIsFollowedByOneRelease) {
  camera.refuse(gvcp::Registers::kCcp);
  EXPECT_EQ(probe(), -1);
  EXPECT_EQ(output, "CCP failed\n");
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3}, {gvcp::Registers::kCcp, 0}}));
}

// The camera grants every try of the take but each acknowledge is lost: the
// probe fails, and the one release leaves the camera free again.
TEST_F(ConnectionProbeTest, TakeWhoseAcknowledgeIsLostLeavesTheCameraFree) {
  camera.loseTakeAcks = true;
  EXPECT_EQ(probe(), -1);
  EXPECT_EQ(output, "CCP failed\n");
  EXPECT_EQ(camera.writes(), (Writes{{gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kCcp, 3},
                                     {gvcp::Registers::kCcp, 0}}));
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kCcp), 0u);
}

TEST_F(ConnectionProbeTest, SilentOrUnreleasingCameraFails) {
  camera.silent = true;
  EXPECT_EQ(probe(), -1);
  EXPECT_EQ(output, "CCP failed\n");
  camera.silent = false;
  camera.refuseRelease = true;
  EXPECT_EQ(probe(), -1);
  EXPECT_EQ(output, "CCP failed\n");
}

TEST(YesNoQuestionTest, OnlyWholeYesOrNoInAnyCaseEndsTheQuestion) {
  struct Case {
    const char* input;
    std::optional<bool> answer;
    const char* output;
  };
  const std::string prompt = "enter [Yes] or [No]:\n";
  for (const Case& c :
       {Case{"YES\n", true, ""}, Case{"nO", false, ""},
        Case{"y\n yes\nyes \nno\n", false,
             "invalid, enter again \ninvalid, enter again \n"
             "invalid, enter again \n"},
        Case{"", std::nullopt, ""}, Case{"maybe\n", std::nullopt, "invalid, enter again \n"}}) {
    std::istringstream in(c.input);
    std::optional<bool> answer;
    EXPECT_EQ(capturedOutput([&] { answer = GoFurther(in); }), prompt + c.output) << c.input;
    EXPECT_EQ(answer, c.answer) << c.input;
  }
}

}  // namespace

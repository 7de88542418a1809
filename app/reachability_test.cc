#include "app/reachability.h"

#include <gtest/gtest.h>

#include <sstream>

#include "ipconfig/console_input.h"
#include "ipconfig/dialogue_test_util.h"

namespace {

using testing_peer::capturedOutput;
using testing_peer::DialogueCamera;

constexpr const char* kUnreachableNotice =
    "CCP failed\nmaybe not in same network!\n"
    "please give a valid ip address and a subnet mask for camera:\n"
    "------------------------------------------------------------\n";

// The camera answers at 127.0.0.1. A record whose current address is
// 127.0.0.2 stands for a camera outside the adapter's subnet: nothing answers
// there, so the probe fails and the typed address is the only way to it.
class ReachabilityThreadsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(camera.peer.ok());
    selected.cameraMac = "00:11:22:33:44:55";
    selected.currentIp = camera.peer.ip();
    selected.currentSubnetMask = htonl(0xFF000000);
  }

  std::string run(const std::string& input) {
    const TemporaryAddressSteps steps{
        [this](const GigE_Camera_Info& forced, const ForceIpSet& set) {
          events.push_back("assign " + forced.cameraMac);
          assigned = set;
        },
        [this] { events.push_back("rediscover"); }};
    std::istringstream in(input);
    return capturedOutput([&] { reachAndConfigure(selected, steps, in, camera.peer.port()); });
  }

  DialogueCamera camera;
  GigE_Camera_Info selected;
  std::vector<std::string> events;
  ForceIpSet assigned;
};

TEST_F(ReachabilityThreadsTest, ReachableCameraIsConfiguredAtItsOwnAddressWithoutPrompts) {
  const std::string out = run("1\nyes\n");
  EXPECT_EQ(out.rfind("\nCurrent IP Setting:\n-------------------\nIp:          127.0.0.1\n"
                      "Subnet Mask: 255.0.0.0\n",
                      0),
            0u)
      << out;
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kPersistentIp), 0x7F000001u);
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kPersistentSubnetMask), 0xFF000000u);
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kIpConfigCurrent), 0x5u);
}

TEST_F(ReachabilityThreadsTest, UnreachableCameraGetsTheTypedAddressAndIsConfiguredThere) {
  selected.currentIp = htonl(0x7F000002);
  const std::string out = run("127.0.0.1 \n127.0.0\n127.0.0.256\n127.0.0.1\n255.0.255.0\n2\n");
  const std::string addressPrompt = "enter a valid ip address:\n";
  EXPECT_EQ(
      out.rfind(kUnreachableNotice + addressPrompt + addressPrompt + addressPrompt + addressPrompt +
                    "enter a valid subnet mask:\n"
                    "new ip address:  127.0.0.1\nnew subnet mask: 255.0.255.0\n"
                    "\nCurrent IP Setting:\n-------------------\n"
                    "Ip:          127.0.0.1\nSubnet Mask: 255.0.255.0\n",
                0),
      0u)
      << out;
  EXPECT_EQ(events, (std::vector<std::string>{"assign 00:11:22:33:44:55", "rediscover"}));
  EXPECT_EQ(assigned.ip, htonl(0x7F000001));
  EXPECT_EQ(assigned.mask, htonl(0xFF00FF00));  // not contiguous, still sent
  EXPECT_EQ(camera.device.getRegister(gvcp::Registers::kIpConfigCurrent), 0x6u);
  EXPECT_EQ(camera.writes().back(), std::make_pair(gvcp::Registers::kCcp, 0u));
}

TEST_F(ReachabilityThreadsTest, EndOfInputAtAddressOrMaskPromptSendsNothingMore) {
  selected.currentIp = htonl(0x7F000002);
  for (const char* input : {"", "10.0.0.5\n"}) {
    events.clear();
    const std::string out = run(input);
    EXPECT_EQ(out.rfind(kUnreachableNotice, 0), 0u) << out;
    EXPECT_EQ(out.substr(out.size() - std::string(kInputEndedLine).size() - 1),
              std::string(kInputEndedLine) + "\n");
    EXPECT_TRUE(events.empty());
  }
  EXPECT_EQ(camera.peer.count(), 0u);
}

}  // namespace

// Whole runs of nuv-ipconfig in a host namespace against simulated cameras,
// with a scripted operator: the transcript from the camera choice on is
// compared line by line, and the camera's own state is read back from the
// simulator. Each test builds its own namespace network and tears it down.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <sys/socket.h>

#include <memory>
#include <optional>
#include <sstream>
#include <thread>

#include "gvcp/forceip_example_test_util.h"
#include "gvcp/gvcp_protocol.h"
#include "ipconfig/console_input.h"
#include "testbed/testbed.h"

namespace {

using testbed::CameraSpec;
using testbed::Millis;
using testbed::Process;
using testbed::SimulatedCamera;

constexpr char kHostIp[] = "192.168.77.1";
constexpr Millis kRunTimeout(30000);
constexpr Millis kStateWait(2000);
// The operator's pause at the menu: more than three heartbeat timeouts (3 s).
constexpr Millis kOperatorPause(10000);

constexpr char kChoicePrompt[] = "\nchoose a camera index:\n";
constexpr char kMenu[] =
    "\nWhich protocol do you want to use?\n----------------------------------\n"
    "Index  Protocol\n [1]   Persistent\n [2]   DHCP\n [3]   LLA\n"
    "\nchoose one index to configure camera:\n";
constexpr char kPersistentQuestion[] =
    "Do you want to use current IP setting as persistent ip setting?\nenter [Yes] or [No]:\n";
constexpr char kConfigured[] =
    "set configuration succesfully\n"
    "Note: Camera needs to be restarted for the settings to take effect!\n";
constexpr char kUnreachable[] =
    "CCP failed\nmaybe not in same network!\n"
    "please give a valid ip address and a subnet mask for camera:\n"
    "------------------------------------------------------------\n";

// The display before the menu; `flags` are the Y/N of Persistent, DHCP, LLA.
std::string currentSetting(const std::string& ip, const std::string& mask, const char* flags) {
  return "\nCurrent IP Setting:\n-------------------\nIp:          " + ip +
         "\nSubnet Mask: " + mask +
         "\n\nCurrent IP Configuration:\n-------------------------\nPersistent IP [" + flags[0] +
         "]\nDHCP          [" + flags[1] + "]\nLLA           [" + flags[2] + "]\n" + kMenu;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> result;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) result.push_back(line);
  return result;
}

class InteractiveEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    NUV_REQUIRE_TESTBED();
    host_ = net_.addHost("host");
    sw_ = net_.addSwitch("sw");
    ASSERT_TRUE(net_.connect(host_, "eth1", sw_, std::string(kHostIp) + "/24")) << net_.lastError();
  }

  // A camera with DHCP and LLA enabled (shown N Y Y) at `ip`/24.
  std::unique_ptr<SimulatedCamera> startCamera(const std::string& ip,
                                               std::vector<std::string> extraArgs = {},
                                               const std::string& mac = "02:00:00:00:00:21") {
    CameraSpec setup;
    setup.mac = mac;
    setup.ip = ip;
    setup.current = "6";
    setup.persistentIp = "192.168.5.5";
    setup.persistentMask = "255.255.255.0";
    setup.extraArgs = std::move(extraArgs);
    auto camera = std::make_unique<SimulatedCamera>(net_, sw_, "cam", setup);
    EXPECT_TRUE(camera->ready()) << camera->process().errors();
    return camera;
  }

  // Runs the tool with the whole operator input (end of input after it) and
  // returns the transcript from the camera choice prompt on.
  std::string runTool(const std::string& input) {
    Process tool(host_, {testbed::binary("nuv-ipconfig")});
    tool.write(input);
    tool.closeInput();
    EXPECT_EQ(tool.waitForExit(kRunTimeout), 0) << tool.output() << tool.errors();
    return fromChoice(tool.output());
  }

  static std::string fromChoice(const std::string& output) {
    const size_t at = output.find(kChoicePrompt);
    return at == std::string::npos ? "(no camera choice in: " + output + ")" : output.substr(at);
  }

  testbed::Network net_;
  std::string host_;
  std::string sw_;
};

TEST_F(InteractiveEndToEnd, ReachableCameraKeepsItsCurrentAddressAsPersistent) {
  auto camera = startCamera("192.168.77.10");
  const std::string transcript = runTool("1\n1\nYES\n");
  EXPECT_EQ(
      lines(transcript),
      lines(kChoicePrompt + currentSetting("192.168.77.10", "255.255.255.0", "NYY") +
            kPersistentQuestion + "persistent IP setting was set succesfully\n" + kConfigured));
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", kStateWait));
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.77.10");
  EXPECT_EQ(camera->persisted("persistent_mask"), "255.255.255.0");
  EXPECT_EQ(camera->persisted("persistent_gateway"), "0.0.0.0");
  EXPECT_EQ(camera->persisted("ip_config"), "5");
  EXPECT_EQ(camera->status("ccp"), "0");
  EXPECT_EQ(camera->status("count_forceip"), "");
}

TEST_F(InteractiveEndToEnd, MenuChoicesWriteTheirConfigurationAndTypedPersistentSet) {
  auto camera = startCamera("192.168.77.10");
  EXPECT_EQ(
      lines(runTool("1\n2\n")),
      lines(kChoicePrompt + currentSetting("192.168.77.10", "255.255.255.0", "NYY") + kConfigured));
  EXPECT_TRUE(camera->waitForStatus("ip_config", "6", kStateWait));
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.5.5");  // untouched by DHCP

  runTool("1\n3\n");
  EXPECT_TRUE(camera->waitForStatus("ip_config", "4", kStateWait));
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.5.5");

  // Invalid menu and yes/no answers are answered and asked again.
  const std::string transcript = runTool("1\n0\n4\nabc\n1\ny\n yes\nno\n10.1.2.3\n255.255.0.0\n");
  const std::string prompt = "\nchoose one index to configure camera:\n";
  EXPECT_EQ(lines(transcript),
            lines(kChoicePrompt + currentSetting("192.168.77.10", "255.255.255.0", "NNY") +
                  "Invalid choice: 0\n\n" + prompt + "Invalid choice: 4\n\n" + prompt +
                  "Invalid choice: abc\n\n" + prompt + kPersistentQuestion +
                  "invalid, enter again \ninvalid, enter again \n"
                  "Input a valid ip address:\nInput a valid subnet mask:\n"
                  "new ip address:  10.1.2.3\nnew subnet mask: 255.255.0.0\n"
                  "persistent IP setting was set succesfully\n" +
                  kConfigured));
  EXPECT_TRUE(camera->waitForStatus("ip_config", "5", kStateWait));
  EXPECT_EQ(camera->persisted("persistent_ip"), "10.1.2.3");
  EXPECT_EQ(camera->persisted("persistent_mask"), "255.255.0.0");
}

TEST_F(InteractiveEndToEnd, ForeignSubnetCameraIsMovedAndConfiguredAtTheTypedAddress) {
  auto camera = startCamera("10.0.0.5");
  const std::string transcript = runTool(
      "1\n192.168.77.50 \n192.168.77\n192.168.77.256\n192.168.77.50\n255.255.0.255\n1\nyes\n");
  const std::string addressPrompt = "enter a valid ip address:\n";
  EXPECT_EQ(lines(transcript),
            lines(kChoicePrompt + std::string(kUnreachable) + addressPrompt + addressPrompt +
                  addressPrompt + addressPrompt +
                  "enter a valid subnet mask:\n"
                  "new ip address:  192.168.77.50\nnew subnet mask: 255.255.0.255\n" +
                  currentSetting("192.168.77.50", "255.255.0.255", "NYY") + kPersistentQuestion +
                  "persistent IP setting was set succesfully\n" + kConfigured));
  EXPECT_EQ(camera->status("address"), "192.168.77.50");
  EXPECT_EQ(camera->status("count_forceip"), "1");
  EXPECT_EQ(camera->status("count_discovery"), "2");  // the second discovery ran
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.77.50");
  EXPECT_EQ(camera->persisted("persistent_mask"), "255.255.0.255");
  EXPECT_EQ(camera->persisted("ip_config"), "5");
}

TEST_F(InteractiveEndToEnd, CameraIgnoringForceIpEndsInCcpFailedWithStatusZero) {
  auto camera = startCamera("10.0.0.5", {"--ignore-forceip"});
  const std::string transcript = runTool("1\n192.168.77.50\n255.255.255.0\n");
  EXPECT_EQ(lines(transcript), lines(kChoicePrompt + std::string(kUnreachable) +
                                     "enter a valid ip address:\nenter a valid subnet mask:\n"
                                     "new ip address:  192.168.77.50\n"
                                     "new subnet mask: 255.255.255.0\nCCP failed\n"));
  EXPECT_EQ(camera->status("address"), "10.0.0.5");
  EXPECT_EQ(camera->status("count_forceip"), "1");
  EXPECT_EQ(camera->status("last_ip_config_written"), "none");
}

// The next FORCEIP_CMD seen on `fd` (a packet socket), with its IPv4 source
// and destination; empty when none has arrived.
struct CapturedCommand {
  std::vector<uint8_t> gvcp;
  std::string from, to;
};
std::optional<CapturedCommand> nextForceIp(int fd) {
  constexpr size_t kEth = 14, kUdp = 8;
  uint8_t frame[2048];
  for (ssize_t n; (n = ::recv(fd, frame, sizeof frame, MSG_DONTWAIT)) > 0;) {
    const size_t size = static_cast<size_t>(n);
    if (size < kEth + 20 + kUdp || gvcp::getBe16(frame + 12) != ETH_P_IP || frame[kEth + 9] != 17)
      continue;
    const size_t udp = kEth + (frame[kEth] & 0x0F) * 4u;
    const size_t payload = udp + kUdp;
    if (size < payload + gvcp::kHeaderSize || gvcp::getBe16(frame + udp + 2) != gvcp::kPort)
      continue;
    if (gvcp::getBe16(frame + payload + 2) != gvcp::FORCEIP_CMD) continue;
    char from[INET_ADDRSTRLEN], to[INET_ADDRSTRLEN];
    inet_ntop(AF_INET, frame + kEth + 12, from, sizeof from);
    inet_ntop(AF_INET, frame + kEth + 16, to, sizeof to);
    const size_t udpLength = gvcp::getBe16(frame + udp + 4);
    return CapturedCommand{{frame + payload, frame + std::min(size, udp + udpLength)}, from, to};
  }
  return std::nullopt;
}

TEST_F(InteractiveEndToEnd, ForceIpDatagramOnTheWireIsTheExampleByteForByte) {
  auto camera = startCamera("10.0.0.5", {}, "00:11:22:33:44:55");
  net::UniqueFd capture = testbed::socketIn(camera->ns(), AF_PACKET, SOCK_RAW, htons(ETH_P_ALL));
  ASSERT_TRUE(capture.valid());
  sockaddr_ll link{};
  link.sll_family = AF_PACKET;
  link.sll_protocol = htons(ETH_P_ALL);
  link.sll_ifindex = testbed::interfaceIndexIn(camera->ns(), "eth0");
  ASSERT_EQ(::bind(capture.get(), reinterpret_cast<sockaddr*>(&link), sizeof link), 0);

  runTool("1\n192.168.1.10\n255.255.255.0\n");
  const std::optional<CapturedCommand> command = nextForceIp(capture.get());
  ASSERT_TRUE(command.has_value()) << "no FORCEIP_CMD reached the camera's link";
  EXPECT_EQ(command->gvcp, testing_peer::exampleForceIpDatagram());
  EXPECT_EQ(command->from, kHostIp);  // sent from the camera's adapter
  EXPECT_EQ(command->to, "255.255.255.255");
  EXPECT_FALSE(nextForceIp(capture.get()).has_value()) << "sent more than once";
  EXPECT_EQ(camera->status("address"), "192.168.1.10");
}

TEST_F(InteractiveEndToEnd, HeartbeatHoldsControlWhileTheOperatorThinks) {
  auto camera = startCamera("192.168.77.10");
  Process tool(host_, {testbed::binary("nuv-ipconfig")});
  tool.writeLine("1");
  ASSERT_TRUE(tool.waitForOutput("choose one index to configure camera:", kRunTimeout))
      << tool.output();
  ASSERT_TRUE(camera->waitForStatus("heartbeat_timeout_ms", "3000", kStateWait));
  const std::string holder = camera->status("ccp_holder");
  EXPECT_EQ(holder.rfind(std::string(kHostIp) + ":", 0), 0u) << holder;
  const std::string beatsBefore = camera->status("count_readreg");
  // The pause is the scenario itself: the operator does not answer for 10 s.
  std::this_thread::sleep_for(kOperatorPause);
  EXPECT_EQ(camera->status("ccp_holder"), holder) << "control lapsed while the operator thought";
  // One beat a second gives about ten; a loaded machine only stretches the
  // pauses. Fewer than five would mean beats more than 2 s apart: with the
  // camera's 3 s timeout, one lost beat would cost control.
  EXPECT_GE(std::stoi(camera->status("count_readreg")) - std::stoi(beatsBefore), 5);
  tool.writeLine("3");
  tool.closeInput();
  EXPECT_EQ(tool.waitForExit(kRunTimeout), 0);
  EXPECT_TRUE(tool.output().find(kConfigured) != std::string::npos) << tool.output();
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", kStateWait));
  EXPECT_EQ(camera->status("ccp"), "0");
  EXPECT_EQ(camera->persisted("ip_config"), "4");
}

TEST_F(InteractiveEndToEnd, EndOfInputAtEveryPromptEndsCleanlyWithControlGivenBack) {
  auto camera = startCamera("192.168.77.10");
  int writes = 0;
  for (const char* input : {"1\n", "1\n1\n", "1\n1\nno\n", "1\n1\nno\n10.1.1.1\n"}) {
    const std::string transcript = runTool(input);
    EXPECT_EQ(lines(transcript).back(), kInputEndedLine) << transcript;
    // Probe take and release, heartbeat timeout, take, release: nothing else.
    writes += 5;
    EXPECT_TRUE(camera->waitForStatus("count_writereg", std::to_string(writes), kStateWait))
        << "input " << input << ": " << camera->status("count_writereg");
    EXPECT_EQ(camera->status("ccp_holder"), "none");
  }
  EXPECT_EQ(camera->status("last_ip_config_written"), "none");
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.5.5");
}

TEST_F(InteractiveEndToEnd, EndOfInputAtTemporaryAddressPromptsSendsNothing) {
  auto camera = startCamera("10.0.0.5");
  for (const char* input : {"1\n", "1\n192.168.77.50\n"}) {
    EXPECT_EQ(lines(runTool(input)).back(), kInputEndedLine);
  }
  EXPECT_EQ(camera->status("count_forceip"), "");
  EXPECT_EQ(camera->status("count_writereg"), "");
  EXPECT_EQ(camera->status("address"), "10.0.0.5");
}

TEST_F(InteractiveEndToEnd, RefusedConfigurationWriteHasNoRestartNoteAndReleases) {
  auto camera = startCamera("192.168.77.10", {"--register-status", "0x14=0x8004"});
  EXPECT_EQ(lines(runTool("1\n2\n")),
            lines(kChoicePrompt + currentSetting("192.168.77.10", "255.255.255.0", "???") +
                  "set configuration error\n"));
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", kStateWait));
  EXPECT_EQ(camera->status("ccp"), "0");
  EXPECT_EQ(camera->persisted("ip_config"), "6");
}

}  // namespace

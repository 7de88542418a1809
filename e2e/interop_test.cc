// Interoperability with GigE Vision software we did not write, run as black
// boxes in the test bed: Debian's GenICam client arv-tool-0.8 opens the
// simulated camera through its device description, reads and changes it, and
// our tool, dialogue and command line, reads the changes back; both list the
// fake camera of arv-fake-gv-camera-0.8. Both programs come from the aravis-tools packages
// the install script installs; without them these tests skip (fail under
// CI=true). Each test builds its own namespace network and tears it down.
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "testbed/lan_fixture.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using testbed::CameraSpec;
using testbed::CommandResult;
using testbed::Millis;
using testbed::Process;
using testbed::SimulatedCamera;
using Json = nlohmann::json;

constexpr char kHostCidr[] = "192.168.79.1/24";
constexpr char kCameraIp[] = "192.168.79.10";
constexpr char kClient[] = "arv-tool-0.8";
constexpr char kFakeCamera[] = "arv-fake-gv-camera-0.8";
// The client's debug output: "[hh:mm:ss.mmm] MARK category> text", the mark
// telling the level; this one is a warning (level 1).
constexpr char kWarningMark[] = "\U0001F186";
constexpr Millis kClientBound(20000);  // the client retries unanswered requests for seconds
constexpr Millis kToolBound(30000);
constexpr Millis kStateWait(3000);

bool onPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path == nullptr ? "" : path);
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Lines of the client's debug output: at --debug=all:1, its warnings.
std::vector<std::string> debugLines(const std::string& output) {
  std::vector<std::string> found;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("[", 0) == 0 && line.find("> ") != std::string::npos) found.push_back(line);
  }
  return found;
}

class InteropEndToEnd : public testbed::LanTest {
 protected:
  InteropEndToEnd() : LanTest(kHostCidr) {}

  void SetUp() override {
    LanTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    for (const char* program : {kClient, kFakeCamera}) {
      if (onPath(program)) continue;
      const std::string reason = std::string(program) + " is missing: run scripts/install-deps.sh";
      const char* ci = std::getenv("CI");
      if (ci != nullptr && std::string(ci) == "true") FAIL() << reason;
      GTEST_SKIP() << reason;
    }
  }

  // Persistent IP and LLA enabled, persistent address 10.1.2.3/16.
  std::unique_ptr<SimulatedCamera> startCamera(const std::string& ip = kCameraIp,
                                               std::vector<std::string> extraArgs = {}) {
    CameraSpec setup;
    setup.mac = "02:00:00:00:79:10";
    setup.ip = ip;
    setup.manufacturer = "Interop Works";
    setup.model = "INTEROP-1";
    setup.deviceVersion = "2.7.1";
    setup.serial = "SN7788";
    setup.supported = "7";
    setup.current = "5";
    setup.persistentIp = "10.1.2.3";
    setup.persistentMask = "255.255.0.0";
    setup.extraArgs = std::move(extraArgs);
    setup.extraArgs.insert(setup.extraArgs.end(), {"--restart-ms", "300"});
    auto camera =
        std::make_unique<SimulatedCamera>(net_, sw_, "cam" + ip.substr(ip.rfind('.') + 1), setup);
    EXPECT_TRUE(camera->ready()) << camera->process().errors();
    return camera;
  }

  // The client run to its end in the host namespace, aimed at `ip`.
  CommandResult client(const std::vector<std::string>& args, const std::string& ip = kCameraIp) {
    std::vector<std::string> argv = {kClient, "-a", ip};
    argv.insert(argv.end(), args.begin(), args.end());
    return testbed::runCommand(host_, argv, kClientBound);
  }

  // Our dialogue: chooses camera 1 and ends its input at the menu.
  std::string dialogue(const std::string& input = "1\n") {
    Process tool(host_, {testbed::binary("nuv-ipconfig")});
    tool.write(input);
    tool.closeInput();
    EXPECT_EQ(tool.waitForExit(kToolBound), 0) << tool.output() << tool.errors();
    return tool.output();
  }

  // Our command line with --json: the one document it printed, checked to
  // have succeeded.
  Json commandLine(std::vector<std::string> args) {
    args.push_back("--json");
    const testbed::ToolRun run = testbed::runTool(host_, args, {}, "", kToolBound);
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    Json document = Json::parse(run.out, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << run.out;
    EXPECT_EQ(document.value("ok", false), true) << run.out;
    return document;
  }

  // Our library's camera report (nuv_probe report).
  std::string report() {
    Process probe(host_, {testbed::binary("nuv_probe"), "report", kCameraIp});
    EXPECT_EQ(probe.waitForExit(kToolBound), 0) << probe.output();
    return probe.output();
  }
};

TEST_F(InteropEndToEnd, ClientListsTheSimulatedCameraWithItsIdentity) {
  auto camera = startCamera();
  const CommandResult listed = testbed::runCommand(host_, {kClient}, kClientBound);
  EXPECT_EQ(listed.status, 0);
  EXPECT_EQ(listed.output, "Interop Works-INTEROP-1-SN7788 (192.168.79.10)\n");
}

TEST_F(InteropEndToEnd, ClientReadsFeaturesAndRawRegistersAndGivesControlBack) {
  auto camera = startCamera();
  const CommandResult read = client(
      {"control", "DeviceVendorName", "DeviceModelName", "DeviceVersion", "DeviceSerialNumber",
       "GevCurrentIPConfigurationDHCP", "GevHeartbeatTimeout", "R[0x0024]", "R[0x0934]"});
  EXPECT_EQ(read.status, 0);
  EXPECT_EQ(read.output,
            "DeviceVendorName = Interop Works\n"
            "DeviceModelName = INTEROP-1\n"
            "DeviceVersion = 2.7.1\n"
            "DeviceSerialNumber = SN7788\n"
            "GevCurrentIPConfigurationDHCP = 0 min:0 max:1\n"
            "GevHeartbeatTimeout = 3000 ms min:500 max:4294967295\n"
            "R[0x00000024] = 0xc0a84f0a\n"
            "R[0x00000934] = 0xc0000003\n");
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", kStateWait));
}

TEST_F(InteropEndToEnd, ClientNetworkCommandShowsModeAndAddresses) {
  auto camera = startCamera();
  const CommandResult shown = client({"network"});
  EXPECT_EQ(shown.status, 0);
  EXPECT_EQ(shown.output,
            "Mode: PersistentIP\n"
            "Current IP: 192.168.79.10\n"
            "Current Mask: 255.255.255.0\n"
            "Current Gateway: 0.0.0.0\n"
            "Persistent IP: 10.1.2.3\n"
            "Persistent Mask: 255.255.0.0\n"
            "Persistent Gateway: 0.0.0.0\n");
}

TEST_F(InteropEndToEnd, ModeSetByTheClientIsStoredAndOurDialogueShowsIt) {
  auto camera = startCamera();
  ASSERT_EQ(client({"network", "mode=DHCP"}).status, 0);
  EXPECT_TRUE(camera->waitForStatus("last_ip_config_written", "6", kStateWait));
  EXPECT_EQ(camera->persisted("ip_config"), "6");
  EXPECT_NE(dialogue().find("Persistent IP [N]\nDHCP          [Y]\nLLA           [Y]\n"),
            std::string::npos);
  ASSERT_EQ(client({"network", "mode=LLA"}).status, 0);
  EXPECT_EQ(camera->persisted("ip_config"), "4");
  EXPECT_NE(dialogue().find("Persistent IP [N]\nDHCP          [N]\nLLA           [Y]\n"),
            std::string::npos);
  EXPECT_NE(client({"network"}).output.find("Mode: LLA\n"), std::string::npos);
  const Json listed = commandLine({"list"});
  ASSERT_EQ(listed["cameras"].size(), 1u) << listed.dump();
  EXPECT_EQ(listed["cameras"][0]["ip_config"]["current"], Json::array({"lla"}));
}

TEST_F(InteropEndToEnd, PersistentAddressSetByTheClientIsStoredAndOurReportShowsIt) {
  auto camera = startCamera();
  const CommandResult set =
      client({"network", "ip=192.168.79.44", "mask=255.255.255.0", "gateway=192.168.79.254"});
  ASSERT_EQ(set.status, 0) << set.output;
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.79.44");
  EXPECT_EQ(camera->persisted("persistent_mask"), "255.255.255.0");
  EXPECT_EQ(camera->persisted("persistent_gateway"), "192.168.79.254");
  EXPECT_EQ(camera->persisted("ip_config"), "5");
  EXPECT_NE(report().find("\nPersistent Ip Setting:\n-----------------------------\n"
                          "Ip:          192.168.79.44\nSubnet Mask: 255.255.255.0\n"),
            std::string::npos);
  const Json shown = commandLine({"show", kCameraIp});
  EXPECT_EQ(shown["camera"]["persistent"],
            (Json{{"ip", "192.168.79.44"}, {"mask", "255.255.255.0"},
                  {"gateway", "192.168.79.254"}}))
      << shown.dump();
  EXPECT_EQ(shown["camera"]["ip_config"]["current"], Json::array({"persistent", "lla"}));
}

TEST_F(InteropEndToEnd, UserIdSetByTheClientIsTheNameOurDialogueLists) {
  auto camera = startCamera();
  ASSERT_EQ(client({"control", "DeviceUserID=cell-7"}).status, 0);
  EXPECT_EQ(camera->persisted("user_name_hex"), "63656c6c2d37");  // "cell-7"
  EXPECT_NE(dialogue("").find("UserDefinedName:  cell-7\n"), std::string::npos);
}

TEST_F(InteropEndToEnd, ClientIsShutOutWhileOurDialogueHoldsControlAndSeesItsChange) {
  auto camera = startCamera();
  Process tool(host_, {testbed::binary("nuv-ipconfig")});
  tool.writeLine("1");
  ASSERT_TRUE(tool.waitForOutput("choose one index to configure camera:", kToolBound))
      << tool.output();
  const CommandResult refused = client({"network", "mode=DHCP"});
  EXPECT_NE(refused.output.find("Can't connect to device"), std::string::npos) << refused.output;
  EXPECT_EQ(camera->persisted("ip_config"), "5");
  tool.writeLine("3");  // LLA
  tool.closeInput();
  EXPECT_EQ(tool.waitForExit(kToolBound), 0);
  ASSERT_TRUE(camera->waitForStatus("ccp_holder", "none", kStateWait));
  EXPECT_NE(client({"network"}).output.find("Mode: LLA\n"), std::string::npos);
}

TEST_F(InteropEndToEnd, DeviceResetFromTheClientRestartsTheCamera) {
  auto camera = startCamera();
  client({"control", "DeviceReset"});  // the camera may go silent before giving control back
  EXPECT_TRUE(camera->waitForStatus("reboots", "1", Millis(5000)));
}

TEST_F(InteropEndToEnd, ClientParsesTheDescriptionWithoutAWarning) {
  auto camera = startCamera();
  const CommandResult listed = client({"--debug=all:1", "features"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.output.find("Enumeration  : [RW] 'GevCCP'"), std::string::npos) << listed.output;
  EXPECT_EQ(debugLines(listed.output), std::vector<std::string>{});
  // The same command shows the client's warnings when there are some: here,
  // answers that never come from a camera that drops them.
  auto lossy = startCamera("192.168.79.11", {"--drop-answers", "0.1", "--seed", "7"});
  const CommandResult warned = client({"--debug=all:1", "features"}, "192.168.79.11");
  const std::vector<std::string> warnings = debugLines(warned.output);
  ASSERT_FALSE(warnings.empty()) << warned.output;
  EXPECT_NE(warnings.front().find(kWarningMark), std::string::npos) << warnings.front();
}

TEST_F(InteropEndToEnd, OurDialogueAndCommandLineListTheFakeCamera) {
  const std::string ns = net_.addCamera("fake", sw_, "02:00:00:00:79:20");
  ASSERT_FALSE(ns.empty()) << net_.lastError();
  ASSERT_EQ(
      testbed::runCommand("", {"ip", "-n", ns, "addr", "add", "192.168.79.20/24", "dev", "eth0"})
          .status,
      0);
  Process fake(ns, {kFakeCamera, "-i", "eth0", "-s", "FAKE79"});
  // Ready once the client finds it; then our tool is asked.
  bool found = false;
  for (int attempt = 0; attempt < 10 && !found; ++attempt) {
    found = testbed::runCommand(host_, {kClient}, kClientBound).output.find("FAKE79") !=
            std::string::npos;
  }
  ASSERT_TRUE(found) << fake.errors();
  const std::string listing = dialogue("");
  EXPECT_NE(listing.find("SerialNumber:     FAKE79\nUserDefinedName:  \n"
                         "CameraIp:         192.168.79.20\n"),
            std::string::npos)
      << listing;
  EXPECT_NE(listing.find("ModelName:        Fake\n"), std::string::npos) << listing;
  const Json listed = commandLine({"list"});
  ASSERT_EQ(listed["cameras"].size(), 1u) << listed.dump();
  EXPECT_EQ(listed["cameras"][0]["serial"], "FAKE79");
  EXPECT_EQ(listed["cameras"][0]["model"], "Fake");
  EXPECT_EQ(listed["cameras"][0]["ip"], "192.168.79.20");
  EXPECT_EQ(listed["cameras"][0]["reachable"], true);
  EXPECT_TRUE(fake.running()) << "the fake camera ended while our tool asked it";
}

}  // namespace

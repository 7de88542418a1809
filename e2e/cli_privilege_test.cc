// Least privilege seen from outside: user nobody runs a copy of the tool that
// carries cap_net_raw in its permitted set only. It finds a camera outside the
// adapter's subnet (only the packet socket hears it), and while its discovery
// window is still open it holds no capability. A copy without the file
// capability falls back to UDP with its one warning. A changing command holds
// none from its start, yet probes and waits with the packet sockets it opened;
// so does the dialogue.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "cli/camera/discovery_run.h"
#include "e2e/cli_checks.h"
#include "testbed/lan_fixture.h"
#include "testbed/simulated_camera.h"
#include "testbed/tool_run.h"

namespace {

namespace fs = std::filesystem;

class PrivilegeEndToEnd : public testbed::LanTest {
 protected:
  PrivilegeEndToEnd() : LanTest("192.168.10.1/24") {}
  void TearDown() override { fs::remove_all(dir_); }
  // argv of nobody running a copy of the tool with `capability` (none: "").
  std::vector<std::string> asNobody(const std::string& capability,
                                    std::vector<std::string> command = {"list"}) {
    const std::string copy = dir_ + "/tool" + std::to_string(copies_++);
    fs::copy_file(testbed::binary("nuv-ipconfig"), copy);
    fs::permissions(copy, fs::perms::owner_all | fs::perms::others_exec);
    const bool set =
        capability.empty() || testbed::runCommand("", {"setcap", capability, copy}).status == 0;
    EXPECT_TRUE(set) << "setcap " << capability;
    const bool dialogue = command.empty();  // it takes no argument, so no --trace
    command.insert(command.begin(),
                   {"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", copy});
    if (!dialogue) command.push_back("--trace");
    return command;
  }
  // A camera at 10.77.0.9/16, outside the adapter's subnet: only the packet
  // socket hears it.
  std::unique_ptr<testbed::SimulatedCamera> foreignCamera() {
    testbed::CameraSpec setup;
    setup.ip = "10.77.0.9";
    setup.mask = "255.255.0.0";
    return std::make_unique<testbed::SimulatedCamera>(net_, sw_, "cam", setup);
  }
  std::string dir_ = [] {
    char dir[] = "/tmp/nuv-priv-XXXXXX";
    fs::permissions(::mkdtemp(dir), fs::perms::owner_all | fs::perms::others_exec);
    return std::string(dir);
  }();
  int copies_ = 0;
};

std::string statusField(pid_t pid, const std::string& name) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind(name + ":\t", 0) == 0) return line.substr(name.size() + 2);
  }
  return "";
}

// The effective and permitted sets of a running process, in hex.
std::string heldSets(pid_t pid) { return statusField(pid, "CapEff") + statusField(pid, "CapPrm"); }

TEST_F(PrivilegeEndToEnd, PermittedOnlyCapabilityFindsAForeignCameraAndIsGoneWhileListening) {
  const std::unique_ptr<testbed::SimulatedCamera> cam = foreignCamera();
  ASSERT_TRUE(cam->ready());
  std::vector<std::string> argv = asNobody("cap_net_raw+p");
  argv.insert(argv.end(), {"--json", "--timeout-ms", "6000"});
  testbed::Process tool(host_, argv);
  ASSERT_TRUE(tool.waitForError("gvcp recv 10.77.0.9:3956 DISCOVERY_ACK", testbed::Millis(5000)))
      << tool.errors();
  const std::string sets = heldSets(tool.pid());
  EXPECT_TRUE(tool.running()) << "the window closed before the status was read";
  EXPECT_EQ(sets, std::string(32, '0'));
  ASSERT_EQ(tool.waitForExit(testbed::Millis(10000)), 0) << tool.errors();
  const std::string& err = tool.errors();
  EXPECT_LT(err.find("privilege: CAP_NET_RAW raised (packet socket)"),
            err.find("privilege: all capabilities dropped"))
      << err;
  EXPECT_EQ(err.find("warning: "), std::string::npos) << err;
  const auto cameras = cli_checks::member(cli_checks::document(tool.output()), "cameras");
  ASSERT_EQ(cameras.size(), 1u) << tool.output();
  EXPECT_EQ(cli_checks::text(cameras[0], "ip"), "10.77.0.9");
  // The same run from a copy without the file capability.
  std::vector<std::string> plain = asNobody("");
  plain.insert(plain.end(), {"--timeout-ms", "1000"});
  const testbed::CommandResult fallback = testbed::runCommand(host_, plain);
  EXPECT_EQ(fallback.status, 0) << fallback.output;
  EXPECT_EQ(testbed::countOf(fallback.output, cli::kUdpFallbackWarning), 1u) << fallback.output;
  EXPECT_EQ(fallback.output.find("CAP_NET_RAW raised"), std::string::npos) << fallback.output;
}

// force-ip needs the packet socket three times: the lookup's capture, the ARP
// probe of the new address and the return wait's capture, the last two after
// the drop.
TEST_F(PrivilegeEndToEnd, ChangingCommandHoldsNoCapabilityFromItsStartYetMovesAForeignCamera) {
  const std::unique_ptr<testbed::SimulatedCamera> cam = foreignCamera();
  ASSERT_TRUE(cam->ready());
  testbed::Process tool(
      host_, asNobody("cap_net_raw+p", {"force-ip", "10.77.0.9", "--ip", "192.168.10.50", "--mask",
                                        "255.255.255.0", "--timeout-ms", "3000"}));
  ASSERT_TRUE(tool.waitForError("gvcp recv 10.77.0.9:3956 DISCOVERY_ACK", testbed::Millis(5000)))
      << tool.errors();
  const std::string sets = heldSets(tool.pid());
  EXPECT_TRUE(tool.running()) << "the lookup's window closed before the status was read";
  EXPECT_EQ(sets, std::string(32, '0'));
  ASSERT_EQ(tool.waitForExit(testbed::Millis(15000)), 0) << tool.errors();
  const std::string& err = tool.errors();
  EXPECT_LT(err.find("packet sockets held for the command)"),
            err.find("privilege: all capabilities dropped"))
      << err;
  EXPECT_EQ(testbed::countOf(err, "CAP_NET_RAW raised"), 1u) << err;
  EXPECT_EQ(cam->status("address"), "192.168.10.50");
}

// The dialogue gives up every capability before it starts, yet its discovery
// captures with a socket held from before the drop.
TEST_F(PrivilegeEndToEnd, DialogueHoldsNoCapabilityAtItsPromptYetListsAForeignCamera) {
  const std::unique_ptr<testbed::SimulatedCamera> cam = foreignCamera();
  ASSERT_TRUE(cam->ready());
  testbed::Process tool(host_, asNobody("cap_net_raw+p", {}));
  ASSERT_TRUE(tool.waitForOutput("choose a camera index:", testbed::Millis(10000)))
      << tool.output() << tool.errors();
  EXPECT_EQ(heldSets(tool.pid()), std::string(32, '0'));
  EXPECT_NE(tool.output().find("10.77.0.9"), std::string::npos) << tool.output();
}

}  // namespace

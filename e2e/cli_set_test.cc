// `nuv-ipconfig set` in the test bed against the simulated camera: each mode
// lands in the camera's stored state with control given back; a kept
// persistent address; refusals that write nothing (an unsupported mode, no
// persistent address, another host's control); a configuration that reads
// back otherwise; a camera that freezes half-way; SIGINT at each stage; and
// --restart, back where the new mode leads or with a warning. Each test
// builds its own namespace network and tears it down.
#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "e2e/cli_fixture.h"
#include "testbed/testbed.h"

namespace {

using testbed::Millis;

constexpr char kCameraIp[] = "192.168.67.20";
constexpr char kCameraMac[] = "02:00:00:00:67:20";

std::vector<std::string> persistentArgs(const std::string& ip) {
  return {"--mode", "persistent", "--ip", ip, "--mask", "255.255.255.0"};
}

class SetEndToEnd : public CliEndToEnd {
 protected:
  SetEndToEnd() : CliEndToEnd("192.168.67.1/24") {}
  // DHCP at first, with no persistent address unless one is given.
  void startCamera(std::vector<std::string> extra = {}, const std::string& supported = "7",
                   const std::string& persistentIp = "") {
    testbed::CameraSpec setup;
    setup.mac = kCameraMac;
    setup.ip = kCameraIp;
    setup.supported = supported;
    setup.current = "6";
    setup.persistentIp = persistentIp;
    setup.persistentMask = persistentIp.empty() ? "" : "255.255.255.0";
    setup.extraArgs = std::move(extra);
    CliEndToEnd::startCamera(setup);
  }
  // `set CAMERA ARGS...` started in the host namespace.
  testbed::Process startSet(const std::string& selector, const std::vector<std::string>& args) {
    std::vector<std::string> command = {testbed::binary("nuv-ipconfig"), "set", selector};
    command.insert(command.end(), args.begin(), args.end());
    return testbed::Process(host, command);
  }
  // `set --mode persistent --ip IP --restart --json`, expected to succeed;
  // its document (null when it failed).
  nlohmann::json setPersistentAndRestart(const std::string& ip) {
    std::vector<std::string> args = persistentArgs(ip);
    args.insert(args.begin(), {"set", kCameraIp});
    args.insert(args.end(), {"--restart", "--wait-s", "20", "--json"});
    const int status = run(args);
    EXPECT_EQ(status, 0) << err;
    return status == 0 ? nlohmann::json::parse(out) : nlohmann::json();
  }
  void expectUntouched() {
    EXPECT_EQ(camera->persisted("ip_config"), "6");
    EXPECT_EQ(camera->persisted("persistent_ip"), "0.0.0.0");
  }
};

TEST_F(SetEndToEnd, PersistentStoresAddressMaskGatewayAndModeThenGivesControlBack) {
  startCamera();
  ASSERT_EQ(run({"set", kCameraIp, "--mode", "persistent", "--ip", "192.168.67.50", "--mask",
                 "255.255.255.0", "--gateway", "192.168.67.1"}),
            0)
      << err;
  EXPECT_EQ(out,
            "camera at 192.168.67.20: IP configuration set to persistent+lla, "
            "persistent address "
            "192.168.67.50/24 gateway 192.168.67.1\n"
            "the new configuration takes effect when the camera restarts\n");
  EXPECT_EQ(camera->persisted("ip_config"), "5");
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.67.50");
  EXPECT_EQ(camera->persisted("persistent_mask"), "255.255.255.0");
  EXPECT_EQ(camera->persisted("persistent_gateway"), "192.168.67.1");
  EXPECT_TRUE(controlFree());
}

TEST_F(SetEndToEnd, LlaThenDhcpByMacWithJson) {
  startCamera();
  ASSERT_EQ(run({"set", kCameraMac, "--mode", "lla", "--json"}), 0) << err;
  nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["ok"], true);
  EXPECT_EQ(doc["camera"]["mac"], kCameraMac);
  EXPECT_EQ(doc["camera"]["ip"], kCameraIp);
  EXPECT_EQ(doc["mode"], "lla");
  EXPECT_EQ(doc["ip_config"]["current"], (nlohmann::json{"lla"}));
  EXPECT_EQ(camera->persisted("ip_config"), "4");
  ASSERT_EQ(run({"set", kCameraIp, "--mode", "dhcp", "--json"}), 0) << err;
  doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["mode"], "dhcp");
  EXPECT_FALSE(doc.contains("persistent"));
  EXPECT_EQ(camera->persisted("ip_config"), "6");
  EXPECT_EQ(camera->persisted("persistent_ip"), "0.0.0.0");
  EXPECT_TRUE(controlFree());
}

TEST_F(SetEndToEnd, PersistentWithoutAddressKeepsTheStoredOne) {
  startCamera({}, "7", "192.168.67.60");
  ASSERT_EQ(run({"set", kCameraIp, "--mode", "persistent", "--json"}), 0) << err;
  const nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["persistent"]["ip"], "192.168.67.60");
  EXPECT_EQ(doc["persistent"]["kept"], true);
  EXPECT_EQ(camera->persisted("ip_config"), "5");
  EXPECT_EQ(camera->persisted("persistent_ip"), "192.168.67.60");
}

TEST_F(SetEndToEnd, NowGivesTheKeptPersistentAddressAtOnce) {
  startCamera({}, "7", "192.168.67.60");
  ASSERT_EQ(run({"set", kCameraIp, "--mode", "persistent", "--now"}), 0) << err;
  EXPECT_EQ(camera->status("address"), "192.168.67.60");
  EXPECT_EQ(camera->persisted("ip_config"), "5");
}

TEST_F(SetEndToEnd, PersistentWithoutAnyAddressIsRefusedAndWritesNothing) {
  startCamera();
  EXPECT_EQ(run({"set", kCameraIp, "--mode", "persistent"}), 2);
  EXPECT_NE(err.find("--ip and --mask are required"), std::string::npos) << err;
  expectUntouched();
  EXPECT_TRUE(controlFree());
}

TEST_F(SetEndToEnd, UnsupportedModeIsRefusedUntilForced) {
  startCamera({}, "5");
  EXPECT_EQ(run({"set", kCameraIp, "--mode", "dhcp", "--json"}), 1);
  const nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["ok"], false);
  EXPECT_EQ(doc["error"]["code"], "failed");
  EXPECT_NE(doc["error"]["message"].get<std::string>().find("does not offer dhcp"),
            std::string::npos);
  EXPECT_EQ(camera->status("last_ip_config_written"), "none");
  EXPECT_TRUE(controlFree());
  ASSERT_EQ(run({"set", kCameraIp, "--mode", "lla", "--force"}), 0) << err;
  EXPECT_EQ(camera->persisted("ip_config"), "4");
}

TEST_F(SetEndToEnd, ConfigurationThatReadsBackOtherwiseFailsNamingBothValues) {
  startCamera({"--supported-config-only"}, "5");
  // Started on DHCP, which it already holds: first LLA, so that DHCP is a change.
  ASSERT_EQ(run({"set", kCameraIp, "--mode", "lla"}), 0) << err;
  EXPECT_EQ(run({"set", kCameraIp, "--mode", "dhcp", "--force"}), 1);
  EXPECT_NE(err.find("the current IP configuration (register 0x0014) reads "
                     "back 0x00000004, "
                     "written 0x00000006"),
            std::string::npos)
      << err;
  EXPECT_TRUE(controlFree());
}

TEST_F(SetEndToEnd, CameraHeldByAnotherHostIsNotChanged) {
  startCamera({"--foreign-control"});
  EXPECT_EQ(run({"set", kCameraIp, "--mode", "lla"}), 1);
  EXPECT_NE(err.find("did not grant control"), std::string::npos) << err;
  EXPECT_EQ(camera->status("last_ip_config_written"), "none");
  expectUntouched();
}

// Every answer 150 ms late; the camera freezes once the persistent address
// has been written (seen in its state: a re-send would also count as a
// write). The mode is never switched on, and once the camera runs again
// control is not left held.
TEST_F(SetEndToEnd, CameraFreezingHalfWayFailsAndIsLeftConsistentAndFree) {
  startCamera({"--delay-ms", "150"});
  testbed::Process tool = startSet(kCameraIp, persistentArgs("192.168.67.70"));
  ASSERT_TRUE(camera->waitForStatus("persistent_ip", "192.168.67.70", Millis(10000)))
      << tool.errors();
  ASSERT_EQ(::kill(camera->process().pid(), SIGSTOP), 0);
  EXPECT_EQ(tool.waitForExit(kToolBound), 1) << tool.errors();
  ASSERT_EQ(::kill(camera->process().pid(), SIGCONT), 0);
  EXPECT_NE(tool.errors().find("the IP configuration was not changed"), std::string::npos)
      << tool.errors();
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", Millis(8000)));
  EXPECT_EQ(camera->persisted("ip_config"), "6");
}

// Where the camera offers no concatenated reads, every register is read on
// its own: a set by MAC and one by address land, and show reads it all.
TEST_F(SetEndToEnd, CameraWithoutConcatenatedReadsIsChangedAndShown) {
  startCamera({"--no-concatenation"});
  ASSERT_EQ(run({"set", kCameraMac, "--mode", "lla"}), 0) << err;
  EXPECT_EQ(camera->persisted("ip_config"), "4");
  ASSERT_EQ(run({"set", kCameraIp, "--mode", "dhcp"}), 0) << err;
  EXPECT_EQ(camera->persisted("ip_config"), "6");
  ASSERT_EQ(run({"show", kCameraIp}), 0) << err;
  EXPECT_NE(out.find("IP config current:   dhcp+lla\n"), std::string::npos) << out;
  EXPECT_NE(out.find("MAC:                 02:00:00:00:67:20\n"), std::string::npos) << out;
}

// SIGINT while the camera is looked up by one discovery: nothing is taken.
// Every answer comes 190 ms late, so the signal that follows the discovery
// request reaches the tool while it still waits for the answer.
TEST_F(SetEndToEnd, SigintBeforeTheTakeWritesNothing) {
  startCamera({"--delay-ms", "190"});
  testbed::Process tool = startSet(kCameraMac, {"--mode", "lla", "--timeout-ms", "3000"});
  ASSERT_TRUE(camera->waitForStatus("count_discovery", "1", Millis(5000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(kToolBound), 130) << tool.errors();
  EXPECT_EQ(camera->status("count_writereg"), "");
  expectUntouched();
}

// As for rename: answers 190 ms late and SIGINT once the heartbeat-timeout
// write has arrived, so the signal is seen under control, before the writes.
TEST_F(SetEndToEnd, SigintUnderControlGivesControlBackWithoutAPartialWrite) {
  startCamera({"--delay-ms", "190"});
  testbed::Process tool = startSet(kCameraIp, persistentArgs("192.168.67.80"));
  ASSERT_TRUE(camera->waitForStatus("count_writereg", "1", Millis(5000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(kToolBound), 130) << tool.errors();
  EXPECT_NE(tool.errors().find("interrupted"), std::string::npos) << tool.errors();
  expectUntouched();
  EXPECT_TRUE(controlFree());
}

// Answers 190 ms late; SIGINT once the configuration write has arrived: its
// acknowledge and its read-back still lie ahead, so the signal is seen after
// the unit of writes and before the restart. The mode stays written, the
// camera is not restarted, and control is given back. The camera's written
// value is the trigger, not a count of writes: on a loaded machine an answer
// may come after the wait of one attempt, and its re-send counts as a write.
TEST_F(SetEndToEnd, SigintAfterTheWritesGivesControlBackWithoutRestarting) {
  startCamera({"--delay-ms", "190"});
  testbed::Process tool = startSet(kCameraIp, {"--mode", "lla", "--restart"});
  ASSERT_TRUE(camera->waitForStatus("last_ip_config_written", "4", Millis(10000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(kToolBound), 130) << tool.errors();
  EXPECT_NE(tool.errors().find("interrupted before the restart"), std::string::npos)
      << tool.errors();
  EXPECT_EQ(camera->persisted("ip_config"), "4");
  EXPECT_EQ(camera->persisted("reboot_count"), "0");
  EXPECT_TRUE(controlFree());
}

TEST_F(SetEndToEnd, SigintDuringTheRestartWaitEndsItWithTheModeWritten) {
  startCamera({"--restart-ms", "20000"});
  testbed::Process tool = startSet(kCameraIp, {"--mode", "lla", "--restart"});
  ASSERT_TRUE(camera->waitForStatus("restarting", "1", Millis(10000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(Millis(5000)), 130) << tool.errors();
  EXPECT_EQ(camera->persisted("ip_config"), "4");
}

TEST_F(SetEndToEnd, RestartBringsTheCameraBackAtItsNewPersistentAddress) {
  startCamera({"--restart-ms", "500"});
  const nlohmann::json doc = setPersistentAndRestart("192.168.67.90");
  EXPECT_EQ(doc["camera"]["ip"], "192.168.67.90");
  EXPECT_EQ(doc["restart"]["as_expected"], true);
  EXPECT_EQ(err.find("warning"), std::string::npos) << err;
  EXPECT_EQ(camera->persisted("reboot_count"), "1");
}

// A camera whose stored mode does not take comes back link-local: the
// command still succeeds, but says where the camera is and what was expected.
TEST_F(SetEndToEnd, RestartElsewhereThanTheModeLeadsIsWarnedAbout) {
  startCamera({"--restart-ms", "500", "--link-local-after-restart"});
  const nlohmann::json doc = setPersistentAndRestart("192.168.67.91");
  EXPECT_EQ(doc["restart"]["as_expected"], false);
  EXPECT_EQ(doc["camera"]["ip"].get<std::string>().rfind("169.254.", 0), 0u) << doc.dump();
  EXPECT_NE(err.find("warning: camera 02:00:00:00:67:20 came back at 169.254."), std::string::npos)
      << err;
  EXPECT_NE(err.find("expected its persistent address 192.168.67.91"), std::string::npos) << err;
}

}  // namespace

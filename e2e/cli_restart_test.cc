// `nuv-ipconfig restart` in the test bed against the simulated camera: the
// camera restarts once and is found again where its persistent setting puts
// it; a camera that never comes back fails at the bound; one held by another
// host is not restarted; SIGINT ends the wait. Each test builds its own
// namespace network and tears it down.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "e2e/cli_fixture.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using testbed::Millis;

constexpr char kCameraIp[] = "192.168.66.20";
constexpr char kCameraMac[] = "02:00:00:00:66:20";

class RestartEndToEnd : public CliEndToEnd {
 protected:
  RestartEndToEnd() : CliEndToEnd("192.168.66.1/24") {}
  // Persistent IP at its current address: it comes back where it was.
  void startCamera(std::vector<std::string> extra) {
    testbed::CameraSpec setup;
    setup.mac = kCameraMac;
    setup.ip = kCameraIp;
    setup.current = "5";
    setup.persistentIp = kCameraIp;
    setup.persistentMask = "255.255.255.0";
    setup.extraArgs = std::move(extra);
    CliEndToEnd::startCamera(setup);
  }
};

TEST_F(RestartEndToEnd, CameraRestartsOnceAndIsFoundAtItsPersistentAddress) {
  startCamera({"--restart-ms", "800"});
  ASSERT_EQ(run({"restart", kCameraIp}), 0) << err;
  EXPECT_TRUE(std::regex_match(
      out, std::regex("camera 02:00:00:00:66:20 restarted, back at 192\\.168\\.66\\.20 after "
                      "[0-9]+\\.[0-9] s\n")))
      << out;
  EXPECT_EQ(err.find("warning"), std::string::npos) << err;
  EXPECT_EQ(camera->persisted("reboot_count"), "1");
}

TEST_F(RestartEndToEnd, JsonReportsTheReturnAndThatItWasExpected) {
  startCamera({"--restart-ms", "500"});
  ASSERT_EQ(run({"restart", kCameraMac, "--json", "--wait-s", "20"}), 0) << err;
  const nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["ok"], true);
  EXPECT_EQ(doc["camera"]["mac"], kCameraMac);
  EXPECT_EQ(doc["camera"]["ip"], kCameraIp);
  EXPECT_EQ(doc["restart"]["as_expected"], true);
  EXPECT_GE(doc["restart"]["seconds"].get<double>(), 0.5);
}

// Discovery answers later than the next request still count over UDP alone.
TEST_F(RestartEndToEnd, SlowAnsweringCameraIsSeenBackWithoutThePacketPrivilege) {
  startCamera({"--restart-ms", "500", "--delay-ms", "150"});
  const testbed::ToolRun tool =
      testbed::runTool(host, {"restart", kCameraMac, "--wait-s", "20"}, cli_checks::kWithoutRaw);
  EXPECT_EQ(tool.status, 0) << tool.err;
  EXPECT_NE(tool.out.find("back at 192.168.66.20"), std::string::npos) << tool.out;
}

TEST_F(RestartEndToEnd, CameraThatNeverComesBackFailsAtTheBound) {
  startCamera({"--never-return"});
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(run({"restart", kCameraIp, "--wait-s", "3"}), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(15));
  EXPECT_NE(err.find("camera 02:00:00:00:66:20 did not answer a discovery within 3 s of its "
                     "restart"),
            std::string::npos)
      << err;
}

TEST_F(RestartEndToEnd, CameraHeldByAnotherHostIsNotRestarted) {
  startCamera({"--foreign-control"});
  EXPECT_EQ(run({"restart", kCameraMac}), 1);
  EXPECT_NE(err.find("did not grant control"), std::string::npos) << err;
  EXPECT_EQ(camera->persisted("reboot_count"), "0");
}

TEST_F(RestartEndToEnd, SigintDuringTheWaitEndsItAtOnce) {
  startCamera({"--restart-ms", "20000"});
  testbed::Process tool(host, {testbed::binary("nuv-ipconfig"), "restart", kCameraIp});
  ASSERT_TRUE(camera->waitForStatus("restarting", "1", Millis(10000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(Millis(5000)), 130) << tool.errors();
  EXPECT_NE(tool.errors().find("interrupted"), std::string::npos) << tool.errors();
}

}  // namespace

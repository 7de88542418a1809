// `nuv-ipconfig rename` in the test bed against the simulated camera: the
// name lands in the camera's stored state and control is given back; a bad
// name is refused before a byte is sent; a camera held by another host keeps
// its name. Each test builds its own namespace network and tears it down.
#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "e2e/cli_fixture.h"
#include "testbed/testbed.h"

namespace {

using cli_checks::hexOf;
using testbed::Millis;

constexpr char kCameraIp[] = "192.168.65.20";
constexpr char kCameraMac[] = "02:00:00:00:65:20";

class RenameEndToEnd : public CliEndToEnd {
 protected:
  RenameEndToEnd() : CliEndToEnd("192.168.65.1/24") {}
  void startCamera(std::vector<std::string> faults = {}) {
    testbed::CameraSpec setup;
    setup.mac = kCameraMac;
    setup.ip = kCameraIp;
    setup.userName = "old-name";
    setup.extraArgs = std::move(faults);
    CliEndToEnd::startCamera(setup);
  }
};

TEST_F(RenameEndToEnd, ByAddressTheNameIsStoredAndControlGivenBack) {
  startCamera();
  ASSERT_EQ(run({"rename", kCameraIp, "line3-left"}), 0) << err;
  EXPECT_EQ(out, "camera at 192.168.65.20: user-defined name set to 'line3-left'\n");
  EXPECT_EQ(camera->persisted("user_name_hex"), hexOf("line3-left"));
  EXPECT_TRUE(controlFree());
  EXPECT_EQ(camera->status("count_discovery"), "");  // an answering address needs no discovery
}

TEST_F(RenameEndToEnd, ByMacWithJsonAFifteenByteNameFillsTheField) {
  startCamera();
  ASSERT_EQ(run({"rename", "02-00-00-00-65-20", "fifteen-bytes-x", "--json"}), 0) << err;
  const nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["ok"], true);
  EXPECT_EQ(doc["user_name"], "fifteen-bytes-x");
  EXPECT_EQ(doc["camera"]["ip"], kCameraIp);
  EXPECT_EQ(doc["camera"]["mac"], kCameraMac);
  EXPECT_EQ(camera->persisted("user_name_hex"), hexOf("fifteen-bytes-x"));
  EXPECT_TRUE(controlFree());
}

TEST_F(RenameEndToEnd, BadNamesAreUsageErrorsAndNothingIsSent) {
  startCamera();
  EXPECT_EQ(run({"rename", kCameraIp, "sixteen-bytes-xy"}), 2);
  EXPECT_NE(err.find("name 'sixteen-bytes-xy' is longer than 15 bytes"), std::string::npos) << err;
  EXPECT_EQ(run({"rename", kCameraIp, "", "--json"}), 2);
  const nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["ok"], false);
  EXPECT_EQ(doc["error"]["code"], "usage");
  EXPECT_EQ(run({"rename", kCameraIp, "tab\there"}), 2);
  for (const char* kind : {"discovery", "readreg", "writereg", "readmem", "writemem"}) {
    EXPECT_EQ(camera->status(std::string("count_") + kind), "") << kind;
  }
  EXPECT_EQ(camera->persisted("user_name_hex"), hexOf("old-name"));
}

TEST_F(RenameEndToEnd, CameraHeldByAnotherHostKeepsItsName) {
  startCamera({"--foreign-control"});
  EXPECT_EQ(run({"rename", "02:00:00:00:65:20", "new-name"}), 1);
  EXPECT_NE(err.find("did not grant control"), std::string::npos) << err;
  EXPECT_EQ(camera->persisted("user_name_hex"), hexOf("old-name"));
  EXPECT_EQ(camera->status("count_writemem"), "");
}

// Every answer comes 190 ms late (within the 200 ms wait of one attempt).
// SIGINT goes out once the heartbeat-timeout write, the last step before the
// take, has reached the camera: the take and its late acknowledge still lie
// ahead, so the signal is seen before the name is written, and the command
// must give control back before it leaves.
TEST_F(RenameEndToEnd, SigintBeforeTheWriteGivesControlBackAndWritesNothing) {
  startCamera({"--delay-ms", "190"});
  testbed::Process tool(host, {testbed::binary("nuv-ipconfig"), "rename", kCameraIp, "new-name"});
  ASSERT_TRUE(camera->waitForStatus("count_writereg", "1", Millis(5000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(kToolBound), 130) << tool.errors();
  EXPECT_NE(tool.errors().find("interrupted"), std::string::npos) << tool.errors();
  EXPECT_EQ(camera->persisted("user_name_hex"), hexOf("old-name"));
  EXPECT_TRUE(controlFree());
}

// Every answer 150 ms late; the camera freezes once it granted control (seen
// in its privilege register: a re-send would also count as a write). The
// name's write goes unanswered: the command fails, and once the camera runs
// again its own heartbeat timeout frees it, and the name field is whole, old
// or new.
TEST_F(RenameEndToEnd, CameraFreezingHalfWayFailsAndIsLeftWholeAndFree) {
  startCamera({"--delay-ms", "150"});
  testbed::Process tool(host, {testbed::binary("nuv-ipconfig"), "rename", kCameraIp, "new-name"});
  ASSERT_TRUE(camera->waitForStatus("ccp", "3", Millis(10000))) << tool.errors();
  ASSERT_EQ(::kill(camera->process().pid(), SIGSTOP), 0);
  EXPECT_EQ(tool.waitForExit(kToolBound), 1) << tool.errors();
  ASSERT_EQ(::kill(camera->process().pid(), SIGCONT), 0);
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", Millis(8000)));
  const std::string name = camera->persisted("user_name_hex");
  EXPECT_TRUE(name == hexOf("old-name") || name == hexOf("new-name")) << name;
}

TEST_F(RenameEndToEnd, NoCameraOfThatNameIsNotFound) {
  startCamera();
  EXPECT_EQ(run({"rename", "no-such-camera", "new-name", "--timeout-ms", "300"}), 3);
  EXPECT_EQ(camera->persisted("user_name_hex"), hexOf("old-name"));
}

}  // namespace

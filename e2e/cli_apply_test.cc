// `nuv-ipconfig apply` in the test bed: three simulated cameras on one
// subnet and a plan file. A good plan lands in every camera's stored state
// with control given back; a malformed plan, or one naming a camera that did
// not answer, writes nothing anywhere; a failed row leaves the others done.
// Each test builds its own namespace network and tears it down.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "e2e/cli_fixture.h"
#include "testbed/camera_fleet.h"
#include "testbed/testbed.h"

namespace {

using cli_checks::hexOf;
using testbed::Millis;

constexpr int kCameras = 3;

std::string lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return text;
}

std::string macOf(int n) { return lower(testbed::fleetMac(0x6600 + n)); }
std::string ipOf(int n) { return "192.168.66." + std::to_string(20 + n); }

class ApplyEndToEnd : public CliEndToEnd {
 protected:
  ApplyEndToEnd() : CliEndToEnd("192.168.66.1/24") {}

  void SetUp() override {
    CliEndToEnd::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    char dir[] = "/tmp/nuv-apply-XXXXXX";
    ASSERT_NE(::mkdtemp(dir), nullptr);
    planDir_ = dir;
  }
  void TearDown() override {
    fleet.clear();
    if (!planDir_.empty()) std::filesystem::remove_all(planDir_);
  }
  // The cameras start in LLA mode with user name "old-N"; `faults` go to
  // camera number `faulty` only.
  void startCameras(int faulty = -1, std::vector<std::string> faults = {}) {
    const std::string failed = testbed::startFleet(
        *net, sw, "cam", kCameras,
        [&](int n) {
          testbed::CameraSpec setup;
          setup.mac = macOf(n);
          setup.ip = ipOf(n);
          setup.userName = "old-" + std::to_string(n);
          setup.current = "4";
          if (n == faulty) setup.extraArgs = faults;
          return setup;
        },
        fleet);
    ASSERT_EQ(failed, "");
  }
  std::string plan(const std::string& content) {
    const std::string path = planDir_ + "/plan.csv";
    std::ofstream(path) << content;
    return path;
  }
  bool controlFree(int n) const {
    return fleet[n]->waitForStatus("ccp_holder", "none", Millis(1500));
  }
  void expectNothingWritten() const {
    for (int n = 0; n < kCameras; ++n) {
      EXPECT_EQ(fleet[n]->status("count_writereg"), "") << "camera " << n;
      EXPECT_EQ(fleet[n]->status("count_writemem"), "") << "camera " << n;
    }
  }

  testbed::Fleet fleet;

 private:
  std::string planDir_;
};

TEST_F(ApplyEndToEnd, EveryRowLandsInItsCameraAndControlIsGivenBack) {
  startCameras();
  const std::string path =
      plan("mac,mode,ip,mask,gateway,name\n" + macOf(0) +
           ",persistent,192.168.66.50,255.255.255.0,192.168.66.1,line1\n" + macOf(1) +
           ",dhcp,,,,\n" + "\"" + macOf(2) + "\",,,,,\"cell, quoted\"\n");
  ASSERT_EQ(run({"apply", path, "--jobs", "2", "--timeout-ms", "500"}), 0) << err;
  EXPECT_EQ(fleet[0]->persisted("ip_config"), "5");
  EXPECT_EQ(fleet[0]->persisted("persistent_ip"), "192.168.66.50");
  EXPECT_EQ(fleet[0]->persisted("persistent_gateway"), "192.168.66.1");
  EXPECT_EQ(fleet[0]->persisted("user_name_hex"), hexOf("line1"));
  EXPECT_EQ(fleet[1]->persisted("ip_config"), "6");
  EXPECT_EQ(fleet[1]->persisted("user_name_hex"), hexOf("old-1"));
  EXPECT_EQ(fleet[2]->persisted("ip_config"), "4");  // the empty mode left alone
  EXPECT_EQ(fleet[2]->persisted("user_name_hex"), hexOf("cell, quoted"));
  for (int n = 0; n < kCameras; ++n) EXPECT_TRUE(controlFree(n)) << "camera " << n;
  // One row per plan line, in file order.
  EXPECT_NE(out.find("LINE"), std::string::npos) << out;
  EXPECT_LT(out.find(macOf(0)), out.find(macOf(1))) << out;
  EXPECT_LT(out.find(macOf(1)), out.find(macOf(2))) << out;
}

TEST_F(ApplyEndToEnd, JsonRowsCarryLineMacAndResult) {
  startCameras();
  const std::string path = plan("mac,mode\n" + macOf(2) + ",persistent\n" + macOf(0) + ",lla\n");
  // Camera 2 holds no persistent address, so its row fails; camera 0's does not.
  EXPECT_EQ(run({"apply", path, "--json", "--timeout-ms", "500"}), 1) << err;
  const nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["ok"], false);
  EXPECT_EQ(doc["error"]["code"], "failed");
  ASSERT_EQ(doc["rows"].size(), 2u);
  EXPECT_EQ(doc["rows"][0]["line"], 2);
  EXPECT_EQ(lower(doc["rows"][0]["mac"]), macOf(2));
  EXPECT_EQ(doc["rows"][0]["ok"], false);
  EXPECT_TRUE(doc["rows"][0]["error"].is_string());
  EXPECT_EQ(doc["rows"][1]["line"], 3);
  EXPECT_EQ(doc["rows"][1]["ok"], true);
  EXPECT_EQ(fleet[2]->persisted("ip_config"), "4");
  EXPECT_EQ(fleet[0]->persisted("ip_config"), "4");
  EXPECT_TRUE(controlFree(2));
  EXPECT_TRUE(controlFree(0));
}

TEST_F(ApplyEndToEnd, ARowHeldByAnotherHostFailsAndTheOthersAreDone) {
  startCameras(1, {"--foreign-control"});
  const std::string path = plan("mac,mode,name\n" + macOf(0) + ",dhcp,a\n" + macOf(1) +
                                ",dhcp,b\n" + macOf(2) + ",dhcp,c\n");
  EXPECT_EQ(run({"apply", path, "--timeout-ms", "500"}), 1) << err;
  EXPECT_NE(out.find("did not grant control"), std::string::npos) << out;
  EXPECT_NE(err.find("1 of 3 rows failed"), std::string::npos) << err;
  EXPECT_EQ(fleet[0]->persisted("ip_config"), "6");
  EXPECT_EQ(fleet[1]->persisted("ip_config"), "4");
  EXPECT_EQ(fleet[1]->status("count_writemem"), "");
  EXPECT_EQ(fleet[2]->persisted("user_name_hex"), hexOf("c"));
}

// Camera 1 answers 150 ms late and freezes once it granted control (seen in
// its privilege register: a re-send would also count as a write): its row
// fails, the other rows are done, and once it runs again its own heartbeat
// timeout frees it with its mode either old or new, never in between.
TEST_F(ApplyEndToEnd, ACameraFreezingHalfWayFailsItsRowOnly) {
  startCameras(1, {"--delay-ms", "150"});
  const std::string path =
      plan("mac,mode\n" + macOf(0) + ",dhcp\n" + macOf(1) + ",dhcp\n" + macOf(2) + ",dhcp\n");
  testbed::Process tool(
      host, {testbed::binary("nuv-ipconfig"), "apply", path, "--json", "--timeout-ms", "500"});
  ASSERT_TRUE(fleet[1]->waitForStatus("ccp", "3", Millis(10000))) << tool.errors();
  ASSERT_EQ(::kill(fleet[1]->process().pid(), SIGSTOP), 0);
  EXPECT_EQ(tool.waitForExit(kToolBound), 1) << tool.errors();
  ASSERT_EQ(::kill(fleet[1]->process().pid(), SIGCONT), 0);
  const nlohmann::json doc = nlohmann::json::parse(tool.output());
  ASSERT_EQ(doc["rows"].size(), 3u);
  EXPECT_EQ(doc["rows"][0]["ok"], true);
  EXPECT_EQ(doc["rows"][1]["ok"], false);
  EXPECT_EQ(doc["rows"][2]["ok"], true);
  EXPECT_EQ(fleet[0]->persisted("ip_config"), "6");
  EXPECT_EQ(fleet[2]->persisted("ip_config"), "6");
  EXPECT_TRUE(fleet[1]->waitForStatus("ccp_holder", "none", Millis(8000)));
  const std::string mode = fleet[1]->persisted("ip_config");
  EXPECT_TRUE(mode == "4" || mode == "6") << mode;
}

struct BadPlan {
  const char* name;
  std::string content;
  int exitCode;
  const char* message;  // after "plan.csv:"
};

TEST_F(ApplyEndToEnd, MalformedPlansAreReportedWithTheirLineAndWriteNothing) {
  startCameras();
  const std::vector<BadPlan> cases = {
      {"unknown column", "mac,mode,adress\n", 2, "plan.csv:1: unknown column 'adress'"},
      {"bad address",
       "mac,mode,ip,mask\n" + macOf(0) + ",lla,,\n" + macOf(1) +
           ",persistent,192.168.66.255,255.255.255.0\n",
       2, "plan.csv:3: ip 192.168.66.255: the broadcast address of its subnet"},
      {"duplicate mac", "mac,mode\n" + macOf(0) + ",lla\n\n" + macOf(0) + ",dhcp\n", 2,
       "plan.csv:4: duplicate mac"},
      {"mac not found", "mac,mode\n" + macOf(0) + ",dhcp\n02:00:00:00:99:99,dhcp\n", 3,
       "plan.csv:3: no camera 02:00:00:00:99:99 answered"},
  };
  for (const BadPlan& bad : cases) {
    EXPECT_EQ(run({"apply", plan(bad.content), "--timeout-ms", "300"}), bad.exitCode) << bad.name;
    EXPECT_NE(err.find(bad.message), std::string::npos) << bad.name << ": " << err;
  }
  expectNothingWritten();
}

// Every answer of camera 0 comes 150 ms late and one row runs at a time, so
// the signal reaches the tool while the first row is under way: that row
// completes and gives control back, and no further row starts.
TEST_F(ApplyEndToEnd, SigintFinishesTheRowUnderWayAndStartsNoOther) {
  startCameras(0, {"--delay-ms", "150"});
  const std::string path =
      plan("mac,mode\n" + macOf(0) + ",dhcp\n" + macOf(1) + ",dhcp\n" + macOf(2) + ",dhcp\n");
  testbed::Process tool(
      host, {testbed::binary("nuv-ipconfig"), "apply", path, "--jobs", "1", "--timeout-ms", "500"});
  ASSERT_TRUE(fleet[0]->waitForStatus("count_writereg", "1", Millis(10000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(kToolBound), 130) << tool.errors();
  EXPECT_NE(tool.output().find("not started"), std::string::npos) << tool.output();
  EXPECT_TRUE(controlFree(0));
  EXPECT_EQ(fleet[0]->persisted("ip_config"), "6");
  EXPECT_EQ(fleet[1]->status("count_writereg"), "");
  EXPECT_EQ(fleet[2]->status("count_writereg"), "");
  EXPECT_EQ(fleet[1]->persisted("ip_config"), "4");
}

}  // namespace

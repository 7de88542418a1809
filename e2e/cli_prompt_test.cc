// The command line ends at the camera's answer, not at the end of its
// window: under a 5 s window `show MAC`, `set MAC` and `list --expect` end
// in under 2 s (far below the window, and a bound a loaded machine holds); a
// MAC heard through an adapter outside its subnet is taken through the one
// inside; `restart` ends soon after the camera is back. Each test builds its
// own namespace network and tears it down.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "e2e/cli_checks.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using cli_checks::document;
using cli_checks::member;
using cli_checks::text;

constexpr char kCameraIp[] = "192.168.71.20";
constexpr char kCameraMac[] = "02:00:00:00:71:20";
constexpr char kWindowMs[] = "5000";
constexpr double kPromptMs = 2000;

// Persistent at its address: after a restart (500 ms of silence) it is back there.
testbed::CameraSpec cameraSpec() {
  testbed::CameraSpec setup;
  setup.mac = kCameraMac;
  setup.ip = kCameraIp;
  setup.current = "5";
  setup.persistentIp = kCameraIp;
  setup.persistentMask = "255.255.255.0";
  setup.extraArgs = {"--restart-ms", "500"};
  return setup;
}

// Host adapters on one switch with the camera, in the order given.
class PromptEndToEnd : public ::testing::Test {
 protected:
  void build(const std::vector<std::string>& adapterCidrs) {
    host = net.addHost("host");
    const std::string sw = net.addSwitch("sw");
    for (size_t i = 0; i < adapterCidrs.size(); ++i) {
      ASSERT_TRUE(net.connect(host, "eth" + std::to_string(i + 1), sw, adapterCidrs[i]))
          << net.lastError();
    }
    camera = std::make_unique<testbed::SimulatedCamera>(net, sw, "cam", cameraSpec());
    ASSERT_TRUE(camera->ready()) << camera->process().errors();
  }
  testbed::ToolRun run(std::vector<std::string> args) {
    args.insert(args.end(), {"--timeout-ms", kWindowMs});
    return testbed::runTool(host, args);
  }

  testbed::Network net;
  std::string host;
  std::unique_ptr<testbed::SimulatedCamera> camera;  // destroyed before the network
};

class EndsAtTheAnswer : public PromptEndToEnd,
                        public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(EndsAtTheAnswer, NotAtTheWindow) {
  NUV_REQUIRE_TESTBED();
  build({"192.168.71.1/24"});
  const testbed::ToolRun tool = run(GetParam());
  EXPECT_EQ(tool.status, 0) << tool.err;
  EXPECT_LT(tool.wallMs, kPromptMs);
}

INSTANTIATE_TEST_SUITE_P(Commands, EndsAtTheAnswer,
                         ::testing::Values(std::vector<std::string>{"show", kCameraMac},
                                           std::vector<std::string>{"set", kCameraMac, "--mode",
                                                                    "dhcp"},
                                           std::vector<std::string>{"list", "--expect", "1"}));

// eth1's request goes first and its capture is read first: the camera's
// answer from outside eth1's subnet is taken before the one through eth2.
TEST_F(PromptEndToEnd, MacHeardFromOutsideItsSubnetFirstIsTakenFromInside) {
  NUV_REQUIRE_TESTBED();
  build({"10.99.71.1/24", "192.168.71.1/24"});
  const testbed::ToolRun show = run({"show", kCameraMac, "--json"});
  ASSERT_EQ(show.status, 0) << show.err;
  EXPECT_EQ(text(member(document(show.out), "camera"), "ip"), kCameraIp);
  EXPECT_LT(show.wallMs, kPromptMs);
}

TEST_F(PromptEndToEnd, RestartEndsSoonAfterTheCameraIsBack) {
  NUV_REQUIRE_TESTBED();
  build({"192.168.71.1/24"});
  const testbed::ToolRun restart = run({"restart", kCameraMac, "--json"});
  ASSERT_EQ(restart.status, 0) << restart.err;
  EXPECT_LT(member(member(document(restart.out), "restart"), "seconds").get<double>() * 1000,
            kPromptMs);
}

}  // namespace

// CliOneCameraTest: the fixture of command-line tests that need one camera on
// one subnet: host adapter eth1 at 192.168.10.1/24, camera kOneCameraMac at
// 192.168.10.11 with serial number "SN-11", and the tool run in the host.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "testbed/lan_fixture.h"
#include "testbed/simulated_camera.h"
#include "testbed/tool_run.h"

inline constexpr char kOneCameraMac[] = "02:00:00:00:00:11";

class CliOneCameraTest : public testbed::LanTest {
 protected:
  CliOneCameraTest() : LanTest("192.168.10.1/24") {}
  void SetUp() override {
    LanTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    testbed::CameraSpec setup;
    setup.mac = kOneCameraMac;
    setup.ip = "192.168.10.11";
    setup.serial = "SN-11";
    cam_ = std::make_unique<testbed::SimulatedCamera>(net_, sw_, "cam", setup);
    ASSERT_TRUE(cam_->ready()) << cam_->process().errors();
  }
  testbed::ToolRun run(const std::vector<std::string>& args,
                       const std::vector<std::string>& wrapper = {}) {
    return testbed::runTool(host_, args, wrapper);
  }
  std::unique_ptr<testbed::SimulatedCamera> cam_;
};

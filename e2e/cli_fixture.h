// A one-camera bed for the command line's end-to-end tests: host namespace
// "host" with adapter eth1 (address `hostCidr`) on a switch, one simulated
// camera started by startCamera, and nuv-ipconfig run in the host namespace
// with its exit status, stdout and stderr kept. Everything goes with the
// fixture. Needs root (skipped without it, failing under CI=true).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "testbed/testbed.h"

class CliEndToEnd : public ::testing::Test {
 protected:
  // Far above any run of these tests: only a hang reaches it.
  static constexpr testbed::Millis kToolBound{60000};

  explicit CliEndToEnd(std::string hostCidr) : hostCidr_(std::move(hostCidr)) {}

  void SetUp() override {
    NUV_REQUIRE_TESTBED();
    net = std::make_unique<testbed::Network>();
    const testbed::Network::Lan lan = net->addLan("host", hostCidr_);
    ASSERT_FALSE(lan.host.empty()) << net->lastError();
    host = lan.host;
    sw = lan.sw;
  }
  void startCamera(const testbed::CameraSpec& setup) {
    camera = std::make_unique<testbed::SimulatedCamera>(*net, sw, "cam", setup);
    ASSERT_TRUE(camera->ready()) << camera->process().errors();
  }
  // nuv-ipconfig with `args`; its exit status (-1 when it hung).
  int run(std::vector<std::string> args) {
    args.insert(args.begin(), testbed::binary("nuv-ipconfig"));
    testbed::Process tool(host, args);
    const std::optional<int> status = tool.waitForExit(kToolBound);
    out = tool.output();
    err = withoutJournalWarning(tool.errors());
    return status.value_or(-1);
  }
  // The test bed runs no journal: the audit trail's warning is cli_audit_test.cc's.
  static std::string withoutJournalWarning(const std::string& text) {
    return std::regex_replace(text, std::regex("warning: the system journal cannot[^\n]*\n"), "");
  }
  // Waits less than the camera's heartbeat timeout, after which it would
  // drop the privilege by itself.
  bool controlFree() const {
    return camera->waitForStatus("ccp_holder", "none", testbed::Millis(1500));
  }

  std::unique_ptr<testbed::Network> net;
  std::string host;
  std::string sw;
  std::unique_ptr<testbed::SimulatedCamera> camera;  // destroyed before the network
  std::string out;
  std::string err;

 private:
  std::string hostCidr_;
};

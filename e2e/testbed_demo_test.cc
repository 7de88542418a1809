// The demo command end to end from an existing build: scripted answers on its
// standard input drive the real tool through the temporary-address path, the
// demo reports the camera's change, and no namespace of it is left behind,
// also when it is interrupted.
#include <gtest/gtest.h>
#include <signal.h>

#include <fstream>
#include <iterator>
#include <regex>

#include "testbed/testbed.h"

namespace {

using testbed::Millis;

constexpr Millis kStepMs(
    30000);  // a discovery takes a second per adapter; sanitizers slow the rest
constexpr char kForeignCameraIp[] = "10.99.0.7";

class DemoEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override { NUV_REQUIRE_TESTBED(); }

  void TearDown() override {
    if (demo_) demo_->terminate();
    for (const std::string& ns : testbed::existingNamespaces()) {
      EXPECT_NE(ns.rfind(prefix_, 0), 0u) << "left behind: " << ns;
    }
  }

  testbed::Process& startDemo() {
    demo_ = std::make_unique<testbed::Process>(
        "", std::vector<std::string>{"bash", testbed::source("scripts/demo.sh")},
        std::vector<std::string>{std::string("NUV_DEMO_BUILD_DIR=") + NUV_BINARY_DIR,
                                 "NUV_TESTBED_PREFIX=" + prefix_});
    return *demo_;
  }

  // The number the tool gave the camera answering from `ip`.
  static std::string indexOfCamera(const std::string& listing, const std::string& ip) {
    static const std::regex entry(R"(Camera Index: \[(\d+)\][^\[]*?CameraIp: +([0-9.]+))");
    for (std::sregex_iterator it(listing.begin(), listing.end(), entry), end; it != end; ++it) {
      if ((*it)[2] == ip) return (*it)[1];
    }
    return "";
  }

  // Waits for `prompt` (after byte `from`) and answers it with `answer`.
  void answer(const std::string& prompt, const std::string& line) {
    ASSERT_TRUE(demo_->waitForOutput(prompt, kStepMs, seen_)) << demo_->output() << demo_->errors();
    seen_ = demo_->output().find(prompt, seen_) + prompt.size();
    ASSERT_TRUE(demo_->writeLine(line));
  }

  std::string prefix_ = "nuvdm" + std::to_string(::getpid());
  std::unique_ptr<testbed::Process> demo_;
  size_t seen_ = 0;
};

TEST_F(DemoEndToEnd, ForeignCameraGetsAnAddressAndPersistentSettingAndTheNetworkGoes) {
  testbed::Process& demo = startDemo();
  ASSERT_TRUE(demo.waitForOutput("choose a camera index:", kStepMs))
      << demo.output() << demo.errors();
  const std::string index = indexOfCamera(demo.output(), kForeignCameraIp);
  ASSERT_FALSE(index.empty()) << "the foreign-subnet camera is not listed:\n" << demo.output();
  answer("choose a camera index:", index);
  answer("enter a valid ip address:", "192.168.10.50");
  answer("enter a valid subnet mask:", "255.255.255.0");
  answer("choose one index to configure camera:", "1");
  answer("enter [Yes] or [No]:", "Yes");
  EXPECT_EQ(demo.waitForExit(kStepMs), 0) << demo.output() << demo.errors();
  const std::string& out = demo.output();
  EXPECT_NE(out.find("persistent IP setting was set succesfully"), std::string::npos) << out;
  EXPECT_TRUE(std::regex_search(
      out,
      std::regex(
          R"(changed:\n  cam2 +192\.168\.10\.50 +255\.255\.255\.0 +5 +192\.168\.10\.50 +255\.255\.255\.0)")))
      << out;
  EXPECT_NE(out.find("camera network removed"), std::string::npos);
}

TEST_F(DemoEndToEnd, InterruptAtThePromptStillRemovesTheNetwork) {
  testbed::Process& demo = startDemo();
  ASSERT_TRUE(demo.waitForOutput("choose a camera index:", kStepMs))
      << demo.output() << demo.errors();
  ::kill(-demo.pid(), SIGINT);  // what Ctrl-C sends to the terminal's foreground group
  EXPECT_TRUE(demo.waitForExit(kStepMs).has_value());
  EXPECT_NE(demo.output().find("camera network removed"), std::string::npos) << demo.output();
}

TEST_F(DemoEndToEnd, RefusesToRunWithoutRoot) {
  // The script's text is handed over whole: the unprivileged user may not be
  // allowed into the checkout's directory.
  std::ifstream file(testbed::source("scripts/demo.sh"));
  const std::string script{std::istreambuf_iterator<char>(file), {}};
  ASSERT_FALSE(script.empty());
  testbed::Process demo("", {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "bash",
                             "-c", script, "demo.sh"});
  EXPECT_EQ(demo.waitForExit(kStepMs), 1);
  EXPECT_NE(demo.errors().find("must be run as root"), std::string::npos) << demo.errors();
}

}  // namespace

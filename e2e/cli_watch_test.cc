// watch's JSON events in the test bed, and its textfile served by Debian's node
// exporter in the host namespace, scraped with curl.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "testbed/lan_fixture.h"
#include "testbed/simulated_camera.h"

namespace {

using testbed::Millis;

constexpr char kMacA[] = "02:00:00:00:00:21";
constexpr char kMacB[] = "02:00:00:00:00:22";
// Generous for a loaded two-core machine: rounds are 0.3 s apart.
constexpr Millis kEventBound{20000};
constexpr char kExporterAddress[] = "127.0.0.1:19100";

class CliWatchTest : public testbed::LanTest {
 protected:
  CliWatchTest() : LanTest("192.168.10.1/24") {}
  void SetUp() override {
    LanTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    char pattern[] = "/tmp/nuv-watch-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    watch_ = std::make_unique<testbed::Process>(
        host_, std::vector<std::string>{testbed::binary("nuv-ipconfig"), "watch", "--json",
                                        "--interval-s", "0.3", "--lost-after", "2", "--textfile",
                                        dir_ + "/nuv_gige.prom"});
  }
  void TearDown() override {
    watch_.reset();  // before its directory goes
    if (!dir_.empty()) std::filesystem::remove_all(dir_);
  }
  testbed::SimulatedCamera& startCamera(const char* role, const char* mac, const char* ip) {
    testbed::CameraSpec setup;
    setup.mac = mac;
    setup.ip = ip;
    cameras_.push_back(std::make_unique<testbed::SimulatedCamera>(net_, sw_, role, setup));
    EXPECT_TRUE(cameras_.back()->ready()) << cameras_.back()->process().errors();
    return *cameras_.back();
  }
  // The next event line `event` (of camera `mac` when given); earlier lines are passed over.
  nlohmann::json waitForEvent(const std::string& event, const std::string& mac = "") {
    const auto deadline = std::chrono::steady_clock::now() + kEventBound;
    while (std::chrono::steady_clock::now() < deadline) {
      const std::string& out = watch_->output();
      for (size_t end; (end = out.find('\n', scanned_)) != std::string::npos;) {
        const auto line = nlohmann::json::parse(out.substr(scanned_, end - scanned_));
        scanned_ = end + 1;
        if (line["event"] == event && (mac.empty() || line["mac"] == mac)) return line;
      }
      watch_->waitForOutput("\n", Millis(500), scanned_);
    }
    ADD_FAILURE() << "no " << event << " " << mac << " in:\n"
                  << watch_->output() << watch_->errors();
    return nullptr;
  }
  // Scrapes the exporter until camera_up of `mac` is `value` (lines are
  // searched, not matched by a regex, whose executor recurses per character).
  bool scrapedUp(const std::string& mac, const std::string& value) {
    const auto isUp = [&](const std::string& line) {
      return line.rfind("nuv_gige_camera_up{", 0) == 0 &&
             line.find("mac=\"" + mac + "\"") != std::string::npos &&
             line.size() > value.size() && line.ends_with("} " + value);
    };
    const auto deadline = std::chrono::steady_clock::now() + kEventBound;
    while (std::chrono::steady_clock::now() < deadline) {
      const auto scraped = testbed::runCommand(
          host_, {"curl", "-sf", std::string("http://") + kExporterAddress + "/metrics"});
      std::istringstream lines(scraped.output);
      for (std::string line; std::getline(lines, line);) {
        if (isUp(line)) return true;
      }
      watch_->waitForOutput("\n", Millis(300), watch_->output().size());
    }
    return false;
  }

  std::string dir_;
  std::unique_ptr<testbed::Process> watch_;
  std::unique_ptr<testbed::Process> exporter_;
  std::vector<std::unique_ptr<testbed::SimulatedCamera>> cameras_;
  size_t scanned_ = 0;
};

TEST_F(CliWatchTest, CamerasAppearChangeConflictAndAreLostInEventsAndMetrics) {
  exporter_ = std::make_unique<testbed::Process>(
      host_, std::vector<std::string>{"prometheus-node-exporter",
                                      std::string("--web.listen-address=") + kExporterAddress,
                                      "--collector.disable-defaults", "--collector.textfile",
                                      "--collector.textfile.directory=" + dir_});
  ASSERT_TRUE(exporter_->waitForError("Listening on", kEventBound)) << exporter_->errors();
  testbed::SimulatedCamera& a = startCamera("cama", kMacA, "192.168.10.21");
  EXPECT_EQ(waitForEvent("camera_appeared", kMacA)["ip"], "192.168.10.21");
  EXPECT_TRUE(scrapedUp(kMacA, "1"));

  const auto forced = testbed::runCommand(host_,
                                          {testbed::binary("nuv-ipconfig"), "force-ip", kMacA,
                                           "--ip", "192.168.10.31", "--mask", "255.255.255.0"},
                                          kEventBound);
  ASSERT_EQ(forced.status, 0) << forced.output;
  const auto changed = waitForEvent("address_changed", kMacA);
  EXPECT_EQ(changed["from"]["ip"], "192.168.10.21");
  EXPECT_EQ(changed["to"]["ip"], "192.168.10.31");

  testbed::SimulatedCamera& b = startCamera("camb", kMacB, "192.168.10.31");
  EXPECT_EQ(waitForEvent("address_conflict_began")["shares_address_with"].size(), 1u);
  b.stop();
  waitForEvent("address_conflict_ended");

  a.stop();
  waitForEvent("camera_lost", kMacA);
  EXPECT_TRUE(scrapedUp(kMacA, "0"));
  ASSERT_EQ(kill(watch_->pid(), SIGTERM), 0);
  EXPECT_EQ(watch_->waitForExit(Millis(5000)), 0) << watch_->errors();
}

TEST_F(CliWatchTest, AdapterDownAndUpAreEvents) {
  startCamera("cama", kMacA, "192.168.10.21");
  waitForEvent("camera_appeared", kMacA);
  ASSERT_EQ(testbed::runCommand("", {"ip", "-n", host_, "link", "set", "eth1", "down"}).status, 0);
  EXPECT_EQ(waitForEvent("adapter_down")["adapter"], "eth1");
  ASSERT_EQ(testbed::runCommand("", {"ip", "-n", host_, "link", "set", "eth1", "up"}).status, 0);
  EXPECT_EQ(waitForEvent("adapter_up")["adapter"], "eth1");
}

}  // namespace

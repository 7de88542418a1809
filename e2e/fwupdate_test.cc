// Firmware updates against the simulated camera over real sockets in the test
// bed: the whole trace, the restart, and the camera's flash compared byte for
// byte with the image; the same over a lossy link and with late answers; and
// the bounded failures of a camera that never finishes flashing or never comes
// back. Each test builds its own namespace network and tears it down.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <initializer_list>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "fwupdate/flash_peer_test_util.h"
#include "testbed/testbed.h"

namespace {

using testbed::Millis;

constexpr char kHostCidr[] = "192.168.62.1/24";
constexpr char kCameraIp[] = "192.168.62.20";
constexpr char kImageName[] = "ABC-100_2.1_e2e.bin";
constexpr size_t kMiB = 1 << 20;
// Far above what any of these runs needs, so only a hang reaches it.
constexpr Millis kUpdateBoundMs(300000);

// True when `text` is `pieces` joined by runs of at least `minDots` progress
// dots. The dots are counted: a regex executor that recurses once per
// character exhausts the stack on the long runs a loaded machine prints.
bool dotsBetween(std::string_view text, std::initializer_list<std::string_view> pieces,
                 size_t minDots) {
  for (auto piece = pieces.begin(); piece != pieces.end(); ++piece) {
    if (piece != pieces.begin()) {
      const size_t dots = std::min(text.find_first_not_of('.'), text.size());
      if (dots < minDots) return false;
      text.remove_prefix(dots);
    }
    if (!text.starts_with(*piece)) return false;
    text.remove_prefix(piece->size());
  }
  return text.empty();
}

std::vector<uint8_t> randomImage(size_t size) {
  std::mt19937 rng(static_cast<unsigned>(size));
  std::vector<uint8_t> image(size);
  for (uint8_t& byte : image) byte = static_cast<uint8_t>(rng());
  return image;
}

class FwUpdateEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    NUV_REQUIRE_TESTBED();
    net = std::make_unique<testbed::Network>();
    host = net->addHost("host");
    sw = net->addSwitch("sw");
    ASSERT_TRUE(net->connect(host, "eth1", sw, kHostCidr)) << net->lastError();
  }
  // The camera comes back at the same address after a restart: persistent IP.
  void startCamera(std::vector<std::string> faults) {
    testbed::CameraSpec setup;
    setup.mac = "02:00:00:00:00:31";
    setup.ip = kCameraIp;
    setup.model = "ABC-100";
    setup.deviceVersion = "2.0.1";
    setup.info = "e2e build";
    setup.current = "5";
    setup.persistentIp = kCameraIp;
    setup.persistentMask = "255.255.255.0";
    setup.extraArgs = {"--flash-ms", "400", "--restart-ms", "800"};
    setup.extraArgs.insert(setup.extraArgs.end(), faults.begin(), faults.end());
    camera = std::make_unique<testbed::SimulatedCamera>(*net, sw, "cam", setup);
    ASSERT_TRUE(camera->ready()) << camera->process().errors();
  }
  // Runs nuv_fwupdate in the host namespace; returns its exit status.
  int run(std::vector<std::string> args) {
    std::vector<std::string> argv = {testbed::binary("nuv_fwupdate"), "--dir", dir.path().string()};
    argv.insert(argv.end(), args.begin(), args.end());
    testbed::Process tool(host, argv);
    const std::optional<int> status = tool.waitForExit(kUpdateBoundMs);
    output = tool.output() + tool.errors();
    return status.value_or(-1);
  }
  int update(const std::vector<uint8_t>& image, std::vector<std::string> bounds = {}) {
    dir.write(kImageName, image);
    bounds.push_back(kCameraIp);
    bounds.push_back(kImageName);
    return run(bounds);
  }
  bool flashHolds(const std::vector<uint8_t>& image) const {
    const std::optional<std::string> flash = camera->flashImage();
    return flash && *flash == std::string(image.begin(), image.end());
  }
  // The whole trace of a completed update; poll and restart dots vary.
  void expectCompletedTrace(size_t imageSize) const {
    const std::string head =
        "connecting camera ...\nmodelname ABC-100\ndevice version 2.0.1\n"
        "manufacture info e2e build\n\nprogramming " +
        std::string(kImageName) + " " + std::string((imageSize + 511) / 512, '.') +
        " done\n\nPlease DO NOT Plugout the cable until you see >>SUCCESSFUL<< at the end\n"
        "flashing ";
    ASSERT_EQ(output.substr(0, head.size()), head);
    EXPECT_TRUE(
        dotsBetween(std::string_view(output).substr(head.size()),
                    {"", " done\nrebooting ", "done\n\nfirmware upload finished, SUCCESFUL!\n"}, 0))
        << output.substr(head.size());
  }

  std::unique_ptr<testbed::Network> net;
  std::string host;
  std::string sw;
  testing_peer::TempDir dir;
  std::unique_ptr<testbed::SimulatedCamera> camera;  // destroyed before the network
  std::string output;
};

TEST_F(FwUpdateEndToEnd, UpdateWritesTheImageByteForByteAndRestartsTheCamera) {
  startCamera({});
  const std::vector<uint8_t> image = randomImage(4 * kMiB + 300);
  ASSERT_EQ(update(image), 0) << output.substr(output.size() -
                                               std::min<size_t>(output.size(), 400));
  expectCompletedTrace(image.size());
  EXPECT_TRUE(flashHolds(image));
  EXPECT_EQ(camera->persisted("reboot_count"), "1");
}

// 0.4% of requests and of answers lost. A loaded run's late answer adds a try
// and moves every later seeded loss, so the rate is one at which some block
// loses all three tries in about one run of a thousand (at 2%: most runs).
TEST_F(FwUpdateEndToEnd, LossyLinkStillGivesAByteIdenticalFlash) {
  startCamera({"--seed", "2", "--drop-requests", "0.004", "--drop-answers", "0.004"});
  const std::vector<uint8_t> image = randomImage(kMiB);
  ASSERT_EQ(update(image), 0) << output.substr(output.size() -
                                               std::min<size_t>(output.size(), 400));
  expectCompletedTrace(image.size());
  EXPECT_TRUE(flashHolds(image));
  EXPECT_NE(camera->status("count_dropped_requests"), "");  // the link really lost requests
}

// Answers later than the control channel's budget would fail every GVCP
// exchange, so the whole update runs with answers late by less than that.
TEST_F(FwUpdateEndToEnd, SlowAnswersStillGiveAByteIdenticalFlash) {
  startCamera({"--delay-ms", "120"});
  const std::vector<uint8_t> image = randomImage(40 * 512 + 17);
  ASSERT_EQ(update(image), 0) << output;
  expectCompletedTrace(image.size());
  EXPECT_TRUE(flashHolds(image));
}

// Answers later than the per-try wait arrive while a later request is
// outstanding; with requests lost as well, an answer taken for the wrong
// block would leave a hole in the flash. Every block costs at least two tries
// here, so late answers cross exchanges all the time. The delay only just
// exceeds the 200 ms try: an answer can never come within its own try, and a
// loaded machine has the most room before the third and last try runs out.
TEST_F(FwUpdateEndToEnd, AnswersLaterThanATryNeverConfirmTheWrongBlock) {
  constexpr int kBlocks = 24;
  startCamera({"--delay-ms", "210", "--seed", "5", "--drop-requests", "0.03"});
  const std::vector<uint8_t> image = randomImage(kBlocks * 512);
  dir.write(kImageName, image);
  ASSERT_EQ(run({"--program-only", kCameraIp, kImageName}), 0) << output;
  EXPECT_TRUE(flashHolds(image));
  EXPECT_GE(std::stoi("0" + camera->status("count_flash")), 2 * kBlocks);
}

// The refused run gives control back, so an operator who reruns the update
// at once with the right image is not locked out for a heartbeat timeout.
TEST_F(FwUpdateEndToEnd, RefusedImageFollowedAtOnceByTheRightImageSucceeds) {
  startCamera({});
  const std::vector<uint8_t> image = randomImage(8 * 512);
  dir.write("XYZ-9_2.1_e2e.bin", image);
  EXPECT_EQ(run({kCameraIp, "XYZ-9_2.1_e2e.bin"}), 1);
  EXPECT_TRUE(output.ends_with("invalid firmware\n")) << output;
  // Shorter than the camera's heartbeat timeout, after which it would drop
  // the privilege by itself.
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", Millis(1500)));
  ASSERT_EQ(update(image), 0) << output;
  expectCompletedTrace(image.size());
  EXPECT_TRUE(flashHolds(image));
}

// Every answer is lost: the take reaches the camera and is granted, but the
// update never hears so; its release leaves the camera free all the same.
TEST_F(FwUpdateEndToEnd, TakeGrantedWithoutAnAnswerLeavesTheCameraFree) {
  startCamera({"--drop-answers", "1"});
  EXPECT_EQ(update(randomImage(512)), 1);
  EXPECT_EQ(output, "connecting camera ...\nCCP failed\n");
  // Three tries of the take, then three of the release, unanswered too.
  EXPECT_TRUE(camera->waitForStatus("count_writereg", "6", Millis(1500)))
      << camera->status("count_writereg");
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", Millis(1500)));
}

TEST_F(FwUpdateEndToEnd, CameraThatNeverFinishesFlashingFailsAtTheBound) {
  startCamera({"--never-finish-flash"});
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(update(randomImage(64 * 512), {"--completion-bound-ms", "2500"}), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
  EXPECT_NE(output.find(" failed: the camera did not finish flashing within 3 s\n"
                        "\nfirmware upload failed, the camera was not restarted\n"),
            std::string::npos)
      << output;
  EXPECT_EQ(output.find("rebooting"), std::string::npos);
  EXPECT_FALSE(camera->flashImage().has_value());
}

TEST_F(FwUpdateEndToEnd, CameraThatNeverComesBackFailsAtTheBound) {
  startCamera({"--never-return"});
  const std::vector<uint8_t> image = randomImage(64 * 512);
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(update(image, {"--return-bound-ms", "2500"}), 1);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(30));
  const size_t rebooting = output.rfind("rebooting ");
  EXPECT_TRUE(
      rebooting != std::string::npos &&
      dotsBetween(std::string_view(output).substr(rebooting),
                  {"rebooting ", " failed: the camera did not answer within 3 s of the restart\n"},
                  1))
      << output;
  EXPECT_TRUE(flashHolds(image));
}

}  // namespace

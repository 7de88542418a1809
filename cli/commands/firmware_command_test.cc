// The firmware command's core against a register device and a flash device on
// 127.0.0.1: the versions before and after, the refusals that write nothing
// and give control back, the confirmation, a stop signal during the upload,
// the checks made before anything is sent, and the upload's view on a
// terminal and elsewhere.
#include "cli/commands/firmware_command.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <csignal>
#include <memory>
#include <sstream>

#include "cli/output/firmware_upload_view.h"
#include "fwupdate/flash_peer_test_util.h"
#include "gvcp/registers.h"
#include "testbed/tool_run.h"

namespace cli {

namespace {

using testing_peer::Bytes;
using testing_peer::RegisterDevice;
using testing_peer::ScriptedPeer;
using Write = std::pair<uint32_t, uint32_t>;

constexpr char kImageName[] = "ABC-100_1.3_x.bin";

bool isWrite(const Bytes& request, uint32_t address, uint32_t value) {
  return testing_peer::header(request).command == gvcp::WRITEREG_CMD && request.size() >= 16 &&
         gvcp::getBe32(request.data() + 8) == address &&
         gvcp::getBe32(request.data() + 12) == value;
}

class FirmwareCommandTest : public ::testing::Test {
 protected:
  FirmwareCommandTest() {
    device.setText(gvcp::Registers::kModelName, "ABC-100");
    device.setText(gvcp::Registers::kDeviceVersion, "1.2");
    job.imagePath = dir.write(kImageName, image);
    job.image = image;
    job.yes = true;
    job.returnBound = std::chrono::milliseconds(3000);
    job.completionBound = std::chrono::milliseconds(1000);
  }
  // The restart request silences the device for a few datagrams; it comes
  // back with version 1.3.
  testing_peer::Script restartingDevice() {
    auto silence = std::make_shared<int>(0);
    return [this, silence](const Bytes& request) -> std::vector<Bytes> {
      if (*silence > 0) {
        --*silence;
        return {};
      }
      if (isWrite(request, gvcp::Registers::kRebootRequest, gvcp::Registers::kRebootMagic)) {
        *silence = 6;
        device.setText(gvcp::Registers::kDeviceVersion, "1.3");
        device.setRegister(gvcp::Registers::kDeviceMacLow, macLowAfterRestart);
        device.setRegister(gvcp::Registers::kCcp,
                           gvcp::Registers::kCcpRelease);  // a restart ends the privilege
        return {};
      }
      return device.script()(request);
    };
  }
  CommandResult update(testing_peer::Script flash = testing_peer::flashDevice(1)) {
    gvcpPeer = std::make_unique<ScriptedPeer>(restartingDevice());
    flashPeer = std::make_unique<ScriptedPeer>(std::move(flash));
    job.gvcpPort = gvcpPeer->port();
    job.flashPort = flashPeer->port();
    const device::CameraTarget target{
        net::Ipv4::fromHost(INADDR_LOOPBACK), std::nullopt, {}, {}, {}};
    return updateCameraFirmware(target, job, console, signals, err);
  }
  std::vector<Bytes> flashRequests(uint32_t command) const {
    return testing_peer::requestsOf(flashPeer->received(), command);
  }
  bool lastWriteGivesControlBack() const {
    const auto writes = device.writes();
    return !writes.empty() &&
           writes.back() == Write{gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease};
  }

  uint32_t macLowAfterRestart = 0;  // not 0: another device answers after the restart
  testing_peer::TempDir dir;
  Bytes image = testing_peer::patternImage(3 * 512 + 10);
  RegisterDevice device;
  FirmwareJob job;
  std::istringstream answers;
  FirmwareConsole console{false, false, &answers};
  os::SignalGuard signals;
  std::ostringstream err;
  std::unique_ptr<ScriptedPeer> gvcpPeer;
  std::unique_ptr<ScriptedPeer> flashPeer;
};

TEST_F(FirmwareCommandTest, CompletedUpdateReportsTheVersionBeforeAndAfterTheRestart) {
  const CommandResult result = update();
  ASSERT_EQ(result.code, ExitCode::kOk) << result.message;
  EXPECT_EQ(result.text,
            "camera at 127.0.0.1: firmware ABC-100_1.3_x.bin programmed, device version 1.2 -> "
            "1.3\n");
  EXPECT_EQ(result.data["device_version"]["old"], "1.2");
  EXPECT_EQ(result.data["device_version"]["new"], "1.3");
  EXPECT_EQ(result.data["image_sha256"], job.imageSha256);
  EXPECT_EQ(testing_peer::imageFromBlocks(flashPeer->received()), image);
  EXPECT_NE(err.str().find("camera at 127.0.0.1: model ABC-100, device version 1.2\n"),
            std::string::npos)
      << err.str();
  EXPECT_EQ(err.str().find('\r'), std::string::npos) << "no bar without a terminal";
}

TEST_F(FirmwareCommandTest, AnotherDeviceAtTheReturnAddressIsNotTakenForTheCamera) {
  macLowAfterRestart = 0x99;
  const CommandResult result = update();
  EXPECT_EQ(result.code, ExitCode::kFailed);
  EXPECT_NE(result.message.find("is 00:00:00:00:00:99, not the camera"), std::string::npos)
      << result.message;
}

// The image is read once, when it is checked: a file replaced while the
// camera is looked for cannot put unchecked bytes into its flash.
TEST_F(FirmwareCommandTest, ProgramsTheImageAsCheckedWhateverTheFileHoldsLater) {
  job.image.clear();
  ASSERT_FALSE(firmwareJobProblem(job, console));
  dir.write(kImageName, Bytes(7, 0xEE));
  ASSERT_EQ(update().code, ExitCode::kOk);
  EXPECT_EQ(testing_peer::imageFromBlocks(flashPeer->received()), image);
}

TEST_F(FirmwareCommandTest, ImageForAnotherModelIsRefusedAndControlGivenBack) {
  job.imagePath = dir.write("XYZ-9_1.3_x.bin", image);
  const CommandResult result = update();
  EXPECT_EQ(result.code, ExitCode::kFailed);
  EXPECT_NE(result.message.find("is not for model 'ABC-100'"), std::string::npos) << result.message;
  EXPECT_EQ(flashPeer->count(), 0u);
  EXPECT_TRUE(lastWriteGivesControlBack());
}

TEST_F(FirmwareCommandTest, DryRunStopsAfterTheChecksAndGivesControlBack) {
  job.dryRun = true;
  job.yes = false;
  const CommandResult result = update();
  ASSERT_EQ(result.code, ExitCode::kOk) << result.message;
  EXPECT_EQ(result.data["dry_run"], true);
  EXPECT_EQ(flashPeer->count(), 0u);
  EXPECT_TRUE(lastWriteGivesControlBack());
}

TEST_F(FirmwareCommandTest, AnswerOtherThanYesOnTheTerminalWritesNothing) {
  job.yes = false;
  console.inputIsTerminal = true;
  answers.str("n\n");
  const CommandResult result = update();
  EXPECT_EQ(result.code, ExitCode::kFailed);
  EXPECT_NE(err.str().find("proceed? [y/N] "), std::string::npos);
  EXPECT_EQ(flashPeer->count(), 0u);
  EXPECT_TRUE(lastWriteGivesControlBack());
}

TEST_F(FirmwareCommandTest, YesOnTheTerminalProceeds) {
  job.yes = false;
  console.inputIsTerminal = true;
  answers.str("Yes\n");
  EXPECT_EQ(update().code, ExitCode::kOk) << err.str();
}

TEST_F(FirmwareCommandTest, StopSignalDuringTheUploadEndsBeforeTheCameraIsToldToFlash) {
  auto blocks = std::make_shared<int>(0);
  testing_peer::Script flash = testing_peer::flashDevice(1);
  const CommandResult result = update([flash, blocks](const Bytes& request) {
    if (testing_peer::epcsCommand(request) == gvcp::kEpcsBlock && ++*blocks == 2)
      std::raise(SIGINT);
    return flash(request);
  });
  EXPECT_EQ(result.code, ExitCode::kInterrupted);
  EXPECT_EQ(flashRequests(gvcp::kEpcsFlash).size(), 0u);
  EXPECT_TRUE(lastWriteGivesControlBack());
}

TEST_F(FirmwareCommandTest, UnansweredBlockFailsAndLeavesTheCameraRunning) {
  // Requests: 0 the announcement, 1 the first block, 2 to 4 the second one's tries.
  const CommandResult result = update(
      testing_peer::flashDevice(1, {{2, std::nullopt}, {3, std::nullopt}, {4, std::nullopt}}));
  EXPECT_EQ(result.code, ExitCode::kFailed);
  EXPECT_NE(result.message.find("stopped answering during the upload"), std::string::npos);
  EXPECT_TRUE(lastWriteGivesControlBack());
}

TEST(FirmwareJobTest, ChecksBeforeAnythingIsSent) {
  testing_peer::TempDir dir;
  const FirmwareConsole pipe{false, false, nullptr};
  FirmwareJob job;
  job.imagePath = dir.write("ABC-100_1_x.bin", Bytes(10, 1));
  ASSERT_TRUE(firmwareJobProblem(job, pipe));
  EXPECT_EQ(firmwareJobProblem(job, pipe)->code, ExitCode::kUsage);
  EXPECT_FALSE(firmwareJobProblem(job, {true, false, nullptr})) << "asked on the terminal";
  job.dryRun = true;
  EXPECT_FALSE(firmwareJobProblem(job, pipe)) << "a dry run asks nothing";
  job.yes = true;
  job.imagePath = dir.write("ABC-100_2_x.bin", {});
  EXPECT_NE(firmwareJobProblem(job, pipe)->message.find("is empty"), std::string::npos);
  job.imagePath = (dir.path() / "missing.bin").string();
  EXPECT_EQ(firmwareJobProblem(job, pipe)->code, ExitCode::kUsage);
}

TEST(FirmwareUploadViewTest, TerminalGetsABarThatEndsAtTheWholeImage) {
  os::SignalGuard signals;
  std::ostringstream err;
  {
    cli::FirmwareUploadView view(true, err, signals);
    const FlashHooks hooks = view.hooks();
    hooks.blockSent(512, 1024);
    hooks.blockSent(1024, 1024);
    hooks.flashingStarts();
  }
  const std::string text = err.str();
  EXPECT_EQ(text.rfind("\r[", 0), 0u) << text;
  EXPECT_NE(text.find("100%  1.0 KiB of 1.0 KiB"), std::string::npos) << text;
  EXPECT_NE(text.find("\nnuv-ipconfig: the camera is programming its flash"), std::string::npos);
}

TEST(FirmwareUploadViewTest, NoTerminalNoBar) {
  os::SignalGuard signals;
  std::ostringstream err;
  cli::FirmwareUploadView view(false, err, signals);
  view.hooks().blockSent(1024, 1024);
  EXPECT_EQ(err.str(), "");
}

TEST(FirmwareUploadViewTest, SignalOnceFlashingStartedIsNotedOnceAndDoesNotStopTheRun) {
  os::SignalGuard signals;
  std::ostringstream err;
  cli::FirmwareUploadView view(false, err, signals);
  const FlashHooks hooks = view.hooks();
  hooks.flashingStarts();
  std::raise(SIGINT);
  hooks.polled();
  hooks.polled();
  EXPECT_EQ(testbed::countOf(err.str(), "waiting for it to finish"), 1u) << err.str();
}

}  // namespace

}  // namespace cli

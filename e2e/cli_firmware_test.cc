// `nuv-ipconfig firmware` in the test bed against the simulated camera: a
// whole update with the versions before and after; the refusals that write
// nothing (wrong model, no terminal and no --yes, a dry run, another host's
// control); a camera that freezes half-way; stop signals during the upload
// and while the camera flashes; the progress bar on a terminal only. Each
// test builds its own namespace network and tears it down.
#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "e2e/cli_fixture.h"
#include "fwupdate/flash_peer_test_util.h"
#include "fwupdate/sha256.h"
#include "testbed/testbed.h"

namespace {

using testbed::Millis;
using testing_peer::patternImage;

constexpr char kCameraIp[] = "192.168.67.20";
constexpr char kImageName[] = "ABC-100_2.1_e2e.bin";
constexpr char kUpdated[] =
    "camera at 192.168.67.20: firmware ABC-100_2.1_e2e.bin programmed, device version 2.0.1 -> "
    "2.1.0\n";
constexpr size_t kMiB = 1 << 20;
// Long enough for a signal to land in the middle of the upload.
constexpr size_t kLongUpload = 4 * kMiB;

class FirmwareEndToEnd : public CliEndToEnd {
 protected:
  FirmwareEndToEnd() : CliEndToEnd("192.168.67.1/24") {}
  // Persistent IP: the camera comes back at the same address after its
  // restart, with the version the flash brings.
  void startCamera(std::vector<std::string> extra, std::string flashMs = "400") {
    testbed::CameraSpec setup;
    setup.mac = "02:00:00:00:67:20";
    setup.ip = kCameraIp;
    setup.model = "ABC-100";
    setup.deviceVersion = "2.0.1";
    setup.current = "5";
    setup.persistentIp = kCameraIp;
    setup.persistentMask = "255.255.255.0";
    setup.extraArgs = {"--flash-ms", flashMs, "--restart-ms", "800", "--flashed-version", "2.1.0"};
    setup.extraArgs.insert(setup.extraArgs.end(), extra.begin(), extra.end());
    CliEndToEnd::startCamera(setup);
  }
  std::string image(const std::vector<uint8_t>& bytes, const std::string& name = kImageName) {
    return dir.write(name, bytes);
  }
  std::vector<std::string> command(const std::string& path, std::vector<std::string> extra) {
    std::vector<std::string> argv = {testbed::binary("nuv-ipconfig"), "firmware", kCameraIp, path};
    argv.insert(argv.end(), extra.begin(), extra.end());
    return argv;
  }
  bool flashHolds(const std::vector<uint8_t>& bytes) const {
    const std::optional<std::string> flash = camera->flashImage();
    return flash && *flash == std::string(bytes.begin(), bytes.end());
  }

  testing_peer::TempDir dir;
};

TEST_F(FirmwareEndToEnd, UpdateProgramsRestartsAndReportsTheVersionBeforeAndAfter) {
  startCamera({});
  const std::vector<uint8_t> bytes = patternImage(kMiB + 300);
  ASSERT_EQ(run({"firmware", kCameraIp, image(bytes), "--yes"}), 0) << err;
  EXPECT_EQ(out, kUpdated);
  EXPECT_NE(err.find("camera at 192.168.67.20: model ABC-100, device version 2.0.1\n"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find('\r'), std::string::npos) << "no progress bar without a terminal";
  EXPECT_TRUE(flashHolds(bytes));
  EXPECT_EQ(camera->persisted("reboot_count"), "1");
  EXPECT_EQ(camera->persisted("firmware_version"), "2.1.0");
}

// A camera whose configuration leads elsewhere after the restart is waited
// for by its MAC, not at the address it had.
TEST_F(FirmwareEndToEnd, CameraBackAtItsLinkLocalAddressIsFoundThereByItsMac) {
  startCamera({"--link-local-after-restart"});
  ASSERT_EQ(run({"firmware", kCameraIp, image(patternImage(64 * 1024)), "--yes"}), 0) << err;
  const std::string back = camera->status("address");
  EXPECT_EQ(back.rfind("169.254.", 0), 0u) << back;
  EXPECT_EQ(out, std::string(kUpdated, sizeof kUpdated - 2) + ", back at " + back + "\n");
}

TEST_F(FirmwareEndToEnd, JsonCarriesBothVersionsAndTheDigestGiven) {
  startCamera({});
  const std::vector<uint8_t> bytes = patternImage(20 * 512);
  const std::string digest = fwupdate::sha256Hex(bytes);
  ASSERT_EQ(
      run({"firmware", "02:00:00:00:67:20", image(bytes), "--yes", "--json", "--sha256", digest}),
      0)
      << err;
  const nlohmann::json doc = nlohmann::json::parse(out);
  EXPECT_EQ(doc["image_sha256"], digest);
  EXPECT_EQ(doc["ok"], true);
  EXPECT_EQ(doc["device_version"]["old"], "2.0.1");
  EXPECT_EQ(doc["device_version"]["new"], "2.1.0");
  EXPECT_EQ(doc["image"], kImageName);
}

TEST_F(FirmwareEndToEnd, ImageForAnotherModelIsRefusedWithNothingWritten) {
  startCamera({});
  EXPECT_EQ(run({"firmware", kCameraIp, image(patternImage(512), "XYZ-9_2.1_e2e.bin"), "--yes"}),
            1);
  EXPECT_NE(err.find("is not for model 'ABC-100'"), std::string::npos) << err;
  EXPECT_EQ(camera->status("count_flash"), "");
  EXPECT_TRUE(controlFree());
  EXPECT_EQ(camera->persisted("reboot_count"), "0");
}

TEST_F(FirmwareEndToEnd, NoTerminalAndNoYesIsRefusedBeforeAnythingIsSent) {
  startCamera({});
  EXPECT_EQ(run({"firmware", kCameraIp, image(patternImage(512))}), 2);
  EXPECT_NE(err.find("--yes"), std::string::npos) << err;
  EXPECT_EQ(camera->status("count_writereg"), "");
  EXPECT_EQ(camera->status("count_readreg"), "");
  EXPECT_EQ(camera->status("count_flash"), "");
}

TEST_F(FirmwareEndToEnd, ImageWithAnotherDigestIsRefusedBeforeAnythingIsSent) {
  startCamera({});
  const std::string wrong = fwupdate::sha256Hex(patternImage(513));
  EXPECT_EQ(run({"firmware", kCameraIp, image(patternImage(512)), "--yes", "--sha256", wrong}), 2);
  EXPECT_NE(err.find(", not " + wrong + "; nothing was written"), std::string::npos) << err;
  EXPECT_EQ(camera->status("count_writereg"), "");
  EXPECT_EQ(camera->status("count_flash"), "");
  EXPECT_FALSE(camera->flashImage().has_value());
}

TEST_F(FirmwareEndToEnd, DryRunWritesNothingAndLeavesControlFree) {
  startCamera({});
  ASSERT_EQ(run({"firmware", kCameraIp, image(patternImage(512)), "--dry-run"}), 0) << err;
  EXPECT_NE(out.find("dry run"), std::string::npos) << out;
  EXPECT_EQ(camera->status("count_flash"), "");
  EXPECT_TRUE(controlFree());
  EXPECT_FALSE(camera->flashImage().has_value());
}

TEST_F(FirmwareEndToEnd, CameraHeldByAnotherHostIsNotProgrammed) {
  startCamera({"--foreign-control"});
  EXPECT_EQ(run({"firmware", kCameraIp, image(patternImage(512)), "--yes"}), 1);
  EXPECT_NE(err.find("did not grant control"), std::string::npos) << err;
  EXPECT_EQ(camera->status("count_flash"), "");
}

// The camera freezes in the middle of the upload: the command fails, and
// once the camera runs again it drops the control that nobody renews.
TEST_F(FirmwareEndToEnd, CameraThatFreezesHalfWayFailsAndIsNotLeftHeld) {
  startCamera({});
  testbed::Process tool(host, command(image(patternImage(kLongUpload)), {"--yes"}));
  ASSERT_TRUE(camera->waitForStatus("flash_phase", "receiving", Millis(20000))) << tool.errors();
  ASSERT_EQ(::kill(camera->process().pid(), SIGSTOP), 0);
  const std::optional<int> status = tool.waitForExit(Millis(30000));
  ::kill(camera->process().pid(), SIGCONT);
  EXPECT_EQ(status, 1) << tool.errors();
  EXPECT_NE(tool.errors().find("stopped answering during the upload"), std::string::npos)
      << tool.errors();
  // The heartbeat timeout (3 s) with room for a loaded machine.
  EXPECT_TRUE(camera->waitForStatus("ccp_holder", "none", Millis(6000)));
  EXPECT_FALSE(camera->flashImage().has_value());
}

TEST_F(FirmwareEndToEnd, SigintDuringTheUploadStopsBeforeFlashingAndFreesControlAtOnce) {
  startCamera({});
  testbed::Process tool(host, command(image(patternImage(kLongUpload)), {"--yes"}));
  ASSERT_TRUE(camera->waitForStatus("flash_phase", "receiving", Millis(20000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(Millis(10000)), 130) << tool.errors();
  EXPECT_TRUE(controlFree());
  EXPECT_EQ(camera->status("flash_phase"), "receiving");
  EXPECT_FALSE(camera->flashImage().has_value());
}

TEST_F(FirmwareEndToEnd, SigintWhileTheCameraFlashesWaitsAndStillSucceeds) {
  startCamera({}, "3000");
  const std::vector<uint8_t> bytes = patternImage(64 * 512);
  testbed::Process tool(host, command(image(bytes), {"--yes"}));
  ASSERT_TRUE(camera->waitForStatus("flash_phase", "flashing", Millis(20000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(Millis(30000)), 0) << tool.errors();
  EXPECT_NE(tool.errors().find("waiting for it to finish"), std::string::npos) << tool.errors();
  EXPECT_EQ(tool.output(), kUpdated);
  EXPECT_TRUE(flashHolds(bytes));
}

TEST_F(FirmwareEndToEnd, SecondSigintWhileTheCameraFlashesLeavesAtOnceWithAWarning) {
  startCamera({}, "20000");
  testbed::Process tool(host, command(image(patternImage(64 * 512)), {"--yes"}));
  ASSERT_TRUE(camera->waitForStatus("flash_phase", "flashing", Millis(20000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  ASSERT_TRUE(tool.waitForError("waiting for it to finish", Millis(5000))) << tool.errors();
  ASSERT_EQ(::kill(tool.pid(), SIGINT), 0);
  EXPECT_EQ(tool.waitForExit(Millis(3000)), 130) << tool.errors();
  EXPECT_NE(tool.errors().find("warning: left while the camera programs its flash"),
            std::string::npos)
      << tool.errors();
  EXPECT_EQ(camera->status("flash_phase"), "flashing");
}

// `script` gives the command a terminal: the bar is drawn there, and only there.
TEST_F(FirmwareEndToEnd, ProgressBarIsDrawnOnATerminal) {
  startCamera({});
  std::string line;
  for (const std::string& word : command(image(patternImage(kMiB)), {"--yes"})) line += word + " ";
  testbed::Process tool(host, {"script", "-q", "-e", "-c", line, "/dev/null"});
  EXPECT_EQ(tool.waitForExit(kToolBound), 0) << tool.output();
  EXPECT_NE(tool.output().find("\r["), std::string::npos) << tool.output();
  EXPECT_NE(tool.output().find("100%  1.0 MiB of 1.0 MiB"), std::string::npos) << tool.output();
  EXPECT_NE(tool.output().find("device version 2.0.1 -> 2.1.0"), std::string::npos);
}

}  // namespace

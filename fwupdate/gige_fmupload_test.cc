#include "fwupdate/gige_fmupload.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <filesystem>
#include <set>

#include "fwupdate/flash_peer_test_util.h"
#include "gvcp/registers.h"

namespace {

using testing_peer::Bytes;
using testing_peer::RegisterDevice;
using testing_peer::ScriptedPeer;

struct NameCase {
  const char* file;
  const char* model;
  bool accepted;
};

class FirmwareNameTest : public ::testing::TestWithParam<NameCase> {};

TEST_P(FirmwareNameTest, PrefixMustEqualTheModelName) {
  EXPECT_EQ(firmwareFitsModel(GetParam().file, GetParam().model), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(Names, FirmwareNameTest,
                         ::testing::Values(NameCase{"ABC-100_1.2.3_20200101.bin", "ABC-100", true},
                                           NameCase{"ABC-100_1.2.3.bin", "ABC-100", true},
                                           NameCase{"ABC-100.bin", "ABC-100", false},
                                           NameCase{"ABC-100_V_1.2_x.bin", "ABC-100", false},
                                           NameCase{"abc-100_1.2_x.bin", "ABC-100", false},
                                           NameCase{"fw/ABC-100_1.2_x.bin", "ABC-100", false},
                                           NameCase{"A_B_1.0_x.bin", "A_B", true},
                                           NameCase{"ABC-100", "ABC-100", true},
                                           NameCase{"ABC-10_1_x.bin", "ABC-100", false},
                                           NameCase{"_1.0_x.bin", "", true},
                                           NameCase{"0123456789012345678901234567890_1_x.bin",
                                                    "0123456789012345678901234567890", true},
                                           NameCase{"01234567890123456789012345678901_1_x.bin",
                                                    "01234567890123456789012345678901", false}));

TEST(FirmwarePrefixTest, EndsAtTheSecondToLastOrOnlyUnderscore) {
  EXPECT_EQ(firmwarePrefix("a_b_c_d"), "a_b");
  EXPECT_EQ(firmwarePrefix("a_b"), "a");
  EXPECT_EQ(firmwarePrefix("ab"), "ab");
  EXPECT_EQ(firmwarePrefix("_ab"), "");
  EXPECT_EQ(firmwarePrefix("__"), "");
  EXPECT_EQ(firmwarePrefix("ab_"), "ab");
  EXPECT_EQ(firmwarePrefix(""), "");
}

// getFiles lists a temporary directory; firmwarePath is restored afterwards.
class GetFilesTest : public ::testing::Test {
 protected:
  GetFilesTest() : saved(firmwarePath) { firmwarePath = dir.path().string(); }
  ~GetFilesTest() override { firmwarePath = saved; }

  testing_peer::TempDir dir;
  std::string saved;
};

TEST_F(GetFilesTest, EmptyPatternNumbersEveryEntryIncludingDotEntries) {
  dir.write("ABC-100_1_a.bin", {1});
  dir.write("notes.txt", {2});
  std::filesystem::create_directory(dir.path() / "sub");
  std::map<int, std::string> files;
  ASSERT_TRUE(getFiles(files, ""));
  std::set<std::string> names;
  for (const auto& [number, name] : files) names.insert(name);
  EXPECT_EQ(names, (std::set<std::string>{".", "..", "ABC-100_1_a.bin", "notes.txt", "sub"}));
  EXPECT_EQ(files.begin()->first, 1);
  EXPECT_EQ(files.rbegin()->first, 5);
}

TEST_F(GetFilesTest, FilledMapKeepsItsNumbersAndLaterMatchesFollow) {
  for (const char* name : {"ABC_1_a.bin", "ABC_1_b.bin", "ABC_1_c.bin", "other.bin"}) {
    dir.write(name, {0});
  }
  std::map<int, std::string> files{{1, "kept-1"}, {2, "kept-2"}};
  ASSERT_TRUE(getFiles(files, "ABC_1_"));
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[1], "kept-1");
  EXPECT_EQ(files[2], "kept-2");
  EXPECT_EQ(files[3].rfind("ABC_1_", 0), 0u);
}

TEST_F(GetFilesTest, NoMatchOrNoDirectoryIsFalse) {
  dir.write("a.bin", {0});
  std::map<int, std::string> files;
  EXPECT_FALSE(getFiles(files, "ABC"));
  EXPECT_TRUE(files.empty());
  firmwarePath = (dir.path() / "missing").string();
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(getFiles(files, ""));
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "opendir() error: No such file or directory\n");
}

// A whole update over loopback: a register device for GVCP, a flash device
// for the image, and the image file in a temporary working directory. After
// the restart request the camera is silent for `silentAfterRestart` datagrams.
class FwUpdateTest : public ::testing::Test {
 protected:
  using Writes = std::vector<std::pair<uint32_t, uint32_t>>;
  static constexpr const char* kImageName = "ABC-100_1.2_x.bin";

  FwUpdateTest() : savedCwd(std::filesystem::current_path()) {
    std::filesystem::current_path(dir.path());
    device.setText(gvcp::Registers::kModelName, "ABC-100");
    device.setText(gvcp::Registers::kDeviceVersion, "1.2");
    device.setText(gvcp::Registers::kManufacturerInfo, "info\x1b");
    dir.write(kImageName, image);
  }
  ~FwUpdateTest() override { std::filesystem::current_path(savedCwd); }

  int update(const std::string& file = kImageName,
             testing_peer::Script flash = testing_peer::flashDevice(0)) {
    gvcpPeer = std::make_unique<ScriptedPeer>(restartingDevice());
    flashPeer = std::make_unique<ScriptedPeer>(std::move(flash));
    if (!gvcpPeer->ok() || !flashPeer->ok()) return 1;
    FwUpdateOptions options;
    options.gvcpPort = gvcpPeer->port();
    options.flashPort = flashPeer->port();
    options.returnBound = returnBound;
    options.flash = {std::chrono::milliseconds(500), output.stream()};
    return updateFirmware(address, file, options);
  }
  // The register device, but the takes of the privilege numbered in
  // `refusedTakes` are refused, those in `lostTakeAcks` granted without an
  // answer, and the restart request silences it. Takes are numbered by
  // exchange: the re-sends of one take (same request id) share its number,
  // so a take stays unanswered however the sender's waits fall.
  testing_peer::Script restartingDevice() {
    auto silence = std::make_shared<int>(0);
    auto takes = std::make_shared<int>(0);
    auto lastTakeId = std::make_shared<int>(-1);
    return [this, silence, takes, lastTakeId](const Bytes& request) -> std::vector<Bytes> {
      if (*silence > 0) {
        --*silence;
        return {};
      }
      const bool take = isWrite(request, gvcp::Registers::kCcp, gvcp::Registers::kCcpTake);
      const int id = testing_peer::header(request).req_id;
      if (take && id != *lastTakeId) {
        *lastTakeId = id;
        ++*takes;
      }
      if (take && refusedTakes.count(*takes) != 0) {
        return {testing_peer::ackFor(request, Bytes(4), gvcp::kStatusAccessDenied)};
      }
      std::vector<Bytes> answer = device.script()(request);
      if (take && lostTakeAcks.count(*takes) != 0) return {};
      if (isWrite(request, gvcp::Registers::kRebootRequest, gvcp::Registers::kRebootMagic)) {
        *silence = silentAfterRestart;
        return {};
      }
      return answer;
    };
  }
  static bool isWrite(const Bytes& request, uint32_t address, uint32_t value) {
    return testing_peer::header(request).command == gvcp::WRITEREG_CMD && request.size() >= 16 &&
           gvcp::getBe32(request.data() + 8) == address &&
           gvcp::getBe32(request.data() + 12) == value;
  }
  bool restartRequested() const {
    const auto writes = device.writes();
    return std::count(writes.begin(), writes.end(),
                      std::pair<uint32_t, uint32_t>{gvcp::Registers::kRebootRequest,
                                                    gvcp::Registers::kRebootMagic}) == 1;
  }
  std::string identity() const {
    return "connecting camera ...\nmodelname ABC-100\ndevice version 1.2\n"
           "manufacture info info?\n";
  }

  testing_peer::TempDir dir;
  std::filesystem::path savedCwd;
  Bytes image = testing_peer::patternImage(1300);
  RegisterDevice device;
  testing_peer::CapturedOutput output;
  std::string address = "127.0.0.1";
  // One failed privilege write and three failed reads of the Camera's three
  // attempts each; then the camera answers again.
  int silentAfterRestart = 12;
  std::chrono::milliseconds returnBound{3000};
  std::set<int> refusedTakes;
  std::set<int> lostTakeAcks;  // takes carried out whose acknowledge is lost
  std::unique_ptr<ScriptedPeer> gvcpPeer;
  std::unique_ptr<ScriptedPeer> flashPeer;
};

TEST_F(FwUpdateTest, CompletedUpdateProgramsRestartsAndWaitsForTheCamera) {
  EXPECT_EQ(update(), 0);
  EXPECT_EQ(output.text(),
            identity() +
                "\nprogramming ABC-100_1.2_x.bin ... done\n\nPlease DO NOT Plugout the "
                "cable until you see >>SUCCESSFUL<< at the end\nflashing  done\n"
                "rebooting ...done\n\nfirmware upload finished, SUCCESFUL!\n");
  EXPECT_EQ(testing_peer::imageFromBlocks(flashPeer->received()), image);
  const auto writes = device.writes();
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0],
            (std::pair<uint32_t, uint32_t>{gvcp::Registers::kCcp, gvcp::Registers::kCcpTake}));
  EXPECT_EQ(writes[1],
            (std::pair<uint32_t, uint32_t>{gvcp::Registers::kCcp, gvcp::Registers::kCcpTake}));
  EXPECT_EQ(writes[2], (std::pair<uint32_t, uint32_t>{gvcp::Registers::kRebootRequest,
                                                      gvcp::Registers::kRebootMagic}));
}

TEST_F(FwUpdateTest, RefusedControlEndsBeforeAnythingElse) {
  device.refuse(gvcp::Registers::kCcp, gvcp::kStatusAccessDenied);
  EXPECT_EQ(update(), -1);
  EXPECT_EQ(output.text(), "connecting camera ...\nCCP failed\n");
  EXPECT_EQ(flashPeer->count(), 0u);
  EXPECT_EQ(device.writes(), (Writes{{gvcp::Registers::kCcp, gvcp::Registers::kCcpTake},
                                     {gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease}}));
}

TEST_F(FwUpdateTest, TakeGrantedWithoutAnAnswerIsGivenBack) {
  lostTakeAcks = {1};
  EXPECT_EQ(update(), -1);
  EXPECT_EQ(output.text(), "connecting camera ...\nCCP failed\n");
  EXPECT_EQ(device.writes().back(),
            (std::pair<uint32_t, uint32_t>{gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease}));
  EXPECT_EQ(device.getRegister(gvcp::Registers::kCcp), gvcp::Registers::kCcpRelease);
}

TEST_F(FwUpdateTest, ImageForAnotherModelIsNotProgrammed) {
  dir.write("XYZ-9_1.2_x.bin", image);
  EXPECT_EQ(update("XYZ-9_1.2_x.bin"), -1);
  EXPECT_EQ(output.text(), identity() + "invalid firmware\n");
  EXPECT_EQ(flashPeer->count(), 0u);
  EXPECT_EQ(device.writes(), (Writes{{gvcp::Registers::kCcp, gvcp::Registers::kCcpTake},
                                     {gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease}}));
}

TEST_F(FwUpdateTest, UnreadableModelNameAcceptsNoImage) {
  device.refuse(gvcp::Registers::kModelName);
  dir.write("_1.2_x.bin", image);
  EXPECT_EQ(update("_1.2_x.bin"), -1);
  EXPECT_NE(output.text().find("modelname \n"), std::string::npos);
  EXPECT_EQ(flashPeer->count(), 0u);
}

TEST_F(FwUpdateTest, FailedProgrammingLeavesTheCameraRunning) {
  EXPECT_EQ(update(kImageName, testing_peer::flashDevice(0, {{2, 0x80000000}})), -1);
  EXPECT_EQ(output.text(), identity() +
                               "\nprogramming ABC-100_1.2_x.bin ..\n"
                               "firmware upload failed, the camera was not restarted\n");
  EXPECT_FALSE(restartRequested());
  EXPECT_EQ(device.writes().back(),
            (std::pair<uint32_t, uint32_t>{gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease}));
}

TEST_F(FwUpdateTest, CameraThatKeepsAnsweringReportsRebootFailed) {
  silentAfterRestart = 0;
  EXPECT_EQ(update(), -1);
  const std::string text = output.text();
  EXPECT_EQ(text.substr(text.find("rebooting")), "rebooting Reboot failed\n");
  EXPECT_TRUE(restartRequested());
}

TEST_F(FwUpdateTest, CameraThatNeverComesBackFailsAtTheBound) {
  const auto begin = std::chrono::steady_clock::now();
  silentAfterRestart = INT_MAX;
  returnBound = std::chrono::milliseconds(500);
  EXPECT_EQ(update(), -1);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
  const std::string text = output.text();
  const std::string tail = text.substr(text.find("rebooting "));
  EXPECT_EQ(tail.find("SUCCESFUL"), std::string::npos);
  EXPECT_TRUE(tail.ends_with(". failed: the camera did not answer within 1 s of the restart\n"))
      << tail;
}

TEST_F(FwUpdateTest, ControlIsRetakenOnceAfterProgramming) {
  refusedTakes = {2};  // the first take after programming
  ASSERT_EQ(update(), 0);
  EXPECT_TRUE(restartRequested());
  refusedTakes = {2, 3};
  EXPECT_EQ(update(), -1);
  const std::string text = output.text();
  EXPECT_TRUE(text.ends_with("flashing  done\nCCP failed\n")) << text;
  EXPECT_TRUE(restartRequested());  // still only the one of the first update
  // The refused takes never reach the register device; the release does.
  EXPECT_EQ(device.writes().back(),
            (std::pair<uint32_t, uint32_t>{gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease}));
}

TEST_F(FwUpdateTest, AddressTextThatIsNotDottedDecimalIsRefusedBeforeAnyExchange) {
  address = "127.1";  // inet_addr would read this as 127.0.0.1
  EXPECT_EQ(update(), -1);
  EXPECT_EQ(output.text(), "invalid camera address: 127.1\n");
  EXPECT_FALSE(gvcpPeer->waitForCount(1, std::chrono::milliseconds(200)));
}

}  // namespace

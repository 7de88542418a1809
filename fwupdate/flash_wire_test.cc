// The firmware update on the wire, spelled out by hand: which registers the
// update reads and writes over GVCP (addresses, widths, the restart word and
// its missing acknowledge), and how the flash exchange reads literal answers.
// The flash requests themselves are pinned byte for byte beside the
// programming loop.
#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "fwupdate/flash_peer_test_util.h"
#include "fwupdate/gige_fmupload.h"
#include "gvcp/wire_log_test_util.h"

namespace {

using testing_peer::Bytes;
using testing_peer::ScriptedPeer;
using testing_peer::WireAccess;

// One flash exchange against a peer that answers with `answer` as it stands.
int exchangeAnsweredBy(const Bytes& answer) {
  ScriptedPeer peer([answer](const Bytes&) { return std::vector<Bytes>{answer}; });
  if (!peer.ok()) return -1000;
  sockaddr_in dest{};
  dest.sin_family = AF_INET;
  dest.sin_port = htons(peer.port());
  dest.sin_addr.s_addr = peer.ip();
  net::UniqueFd sock(socket(AF_INET, SOCK_DGRAM, 0));
  return epcsExchange(sock, dest, 3, {}, {}, 1, 200000);
}

TEST(FlashAnswerWireTest, StatusIsTheLittleEndianWordAtByteEight) {
  // magic, command 3, status 5, length 7: only the third word counts.
  EXPECT_EQ(exchangeAnsweredBy({0x78, 0x56, 0x34, 0x12, 0x03, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00,
                                0x00, 0x07, 0x00, 0x00, 0x00}),
            5);
  EXPECT_EQ(exchangeAnsweredBy({0x78, 0x56, 0x34, 0x12, 0x00, 0x00, 0x00, 0x00, 0x03, 0x01, 0x00,
                                0x00, 0x00, 0x00, 0x00, 0x00}),
            0x0103);
}

// A whole update against a register camera on 127.0.0.1 whose identity sits
// at literal addresses, and a flash end that finishes at the first poll. The
// camera keeps answering after the restart request, so the update ends with
// "Reboot failed" once its last register write is on the wire.
class FirmwareUpdateWireTest : public ::testing::Test {
 protected:
  FirmwareUpdateWireTest() : savedCwd(std::filesystem::current_path()) {
    std::filesystem::current_path(dir.path());
    device.setText(0x0068, "ABC-100");
    device.setText(0x0088, "1.2");
    device.setText(0x00A8, "factory");
    dir.write("ABC-100_1.2_x.bin", testing_peer::patternImage(600));
  }
  ~FirmwareUpdateWireTest() override { std::filesystem::current_path(savedCwd); }

  testing_peer::TempDir dir;
  std::filesystem::path savedCwd;
  testing_peer::RegisterDevice device;
  testing_peer::CapturedOutput output;
};

TEST_F(FirmwareUpdateWireTest, UpdateReadsIdentityAndAsksForTheRestartWithoutAcknowledge) {
  ScriptedPeer gvcpPeer(device.script());
  ScriptedPeer flashPeer(testing_peer::flashDevice(0));
  ASSERT_TRUE(gvcpPeer.ok() && flashPeer.ok());
  FwUpdateOptions options;
  options.gvcpPort = gvcpPeer.port();
  options.flashPort = flashPeer.port();
  options.flash = {std::chrono::milliseconds(2000), output.stream()};
  EXPECT_EQ(updateFirmware("127.0.0.1", "ABC-100_1.2_x.bin", options), -1);
  EXPECT_EQ(testing_peer::wireAccessesOf(gvcpPeer.received()),
            (std::vector<WireAccess>{{0x01, 0x0082, 0x0A00, 3},
                                     {0x01, 0x0084, 0x0068, 32},
                                     {0x01, 0x0084, 0x0088, 64},
                                     {0x01, 0x0084, 0x00A8, 64},
                                     {0x01, 0x0082, 0x0A00, 3},
                                     {0x00, 0x0082, 0xB0E8, 0xAFFE},
                                     {0x01, 0x0082, 0x0A00, 0}}));
  EXPECT_NE(output.text().find("modelname ABC-100\ndevice version 1.2\nmanufacture info factory\n"),
            std::string::npos)
      << output.text();
  EXPECT_NE(output.text().find("Reboot failed"), std::string::npos) << output.text();
}

}  // namespace

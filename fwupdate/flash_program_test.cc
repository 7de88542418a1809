#include "fwupdate/flash_program.h"

#include <gtest/gtest.h>

#include <chrono>

#include "fwupdate/flash_peer_test_util.h"
#include "net/socket_address.h"

namespace {

using testing_peer::Bytes;
using testing_peer::flashDevice;
using testing_peer::hexBytes;
using testing_peer::requestsOf;

constexpr const char* kWarning =
    " done\n\nPlease DO NOT Plugout the cable until you see >>SUCCESSFUL<< at the end\nflashing ";

// Runs programFlash over loopback against a peer that answers like a camera's
// flash end, with the image written to a temporary file.
class FlashProgramTest : public ::testing::Test {
 protected:
  int program(const Bytes& image, testing_peer::Script script,
              std::chrono::milliseconds bound = kFlashCompletionBound) {
    peer = std::make_unique<testing_peer::ScriptedPeer>(std::move(script));
    if (!peer->ok()) return 1;
    return programFile(dir.write("image.bin", image), bound);
  }
  int programFile(const std::string& path,
                  std::chrono::milliseconds bound = kFlashCompletionBound) {
    const sockaddr_in camera = net::socketAddress(htonl(INADDR_LOOPBACK), peer ? peer->port() : 9);
    return programFlash(camera, path.c_str(), {bound, output.stream()}, hooks);
  }
  std::vector<Bytes> received(uint32_t command) const {
    return requestsOf(peer->received(), command);
  }

  testing_peer::TempDir dir;
  testing_peer::CapturedOutput output;
  FlashHooks hooks;
  std::unique_ptr<testing_peer::ScriptedPeer> peer;
};

TEST_F(FlashProgramTest, ImageOf1300BytesSendsAnnouncementThreeBlocksAndFlashRequestsByteForByte) {
  const Bytes image = testing_peer::patternImage(1300);
  ASSERT_EQ(program(image, flashDevice(2)), 0);
  const std::vector<Bytes> all = peer->received();
  ASSERT_EQ(all.size(), 1u + 3u + 1u + 3u);
  EXPECT_EQ(all[0], hexBytes("78 56 34 12 01 00 00 00 00 00 00 00 08 00 00 00 "
                             "00 00 01 00 14 05 00 00"));
  const Bytes last = all[3];
  ASSERT_EQ(last.size(), 536u);
  EXPECT_EQ(Bytes(last.begin(), last.begin() + 24),
            hexBytes("78 56 34 12 02 00 00 00 00 00 00 00 08 02 00 00 "
                     "00 04 00 00 14 01 00 00"));
  EXPECT_EQ(Bytes(last.begin() + 24, last.begin() + 300), Bytes(image.begin() + 1024, image.end()));
  EXPECT_EQ(Bytes(last.begin() + 300, last.end()), Bytes(236, 0));  // zero-filled past the count
  const Bytes flash = hexBytes("78 56 34 12 03 00 00 00 00 00 00 00 00 00 00 00");
  for (size_t i = 4; i < all.size(); ++i) EXPECT_EQ(all[i], flash) << "request " << i;
  EXPECT_EQ(testing_peer::imageFromBlocks(all), image);
  EXPECT_EQ(output.text(), std::string("...") + kWarning + ".. done\n");
}

TEST_F(FlashProgramTest, ImageOfOneBlockExactlyIsOneFullBlock) {
  ASSERT_EQ(program(testing_peer::patternImage(512), flashDevice(0)), 0);
  const std::vector<Bytes> blocks = received(gvcp::kEpcsBlock);
  ASSERT_EQ(blocks.size(), 1u);
  EXPECT_EQ(Bytes(blocks[0].begin() + 16, blocks[0].begin() + 24),
            hexBytes("00 00 00 00 00 02 00 00"));
  EXPECT_EQ(output.text(), std::string(".") + kWarning + " done\n");
}

TEST_F(FlashProgramTest, OneByteMoreThanABlockGoesInASecondFullSizeBlock) {
  const Bytes image = testing_peer::patternImage(513);
  ASSERT_EQ(program(image, flashDevice(0)), 0);
  const std::vector<Bytes> blocks = received(gvcp::kEpcsBlock);
  ASSERT_EQ(blocks.size(), 2u);
  ASSERT_EQ(blocks[1].size(), 536u);
  EXPECT_EQ(Bytes(blocks[1].begin() + 16, blocks[1].begin() + 25),
            (Bytes{0x00, 0x02, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, image[512]}));
  EXPECT_EQ(Bytes(blocks[1].begin() + 25, blocks[1].end()), Bytes(511, 0));
}

TEST_F(FlashProgramTest, EmptyImageIsAnnouncedAndFlashedWithoutBlocks) {
  ASSERT_EQ(program({}, flashDevice(1)), 0);
  const std::vector<Bytes> all = peer->received();
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(Bytes(all[0].begin() + 16, all[0].end()), hexBytes("00 00 01 00 00 00 00 00"));
  EXPECT_TRUE(received(gvcp::kEpcsBlock).empty());
  EXPECT_EQ(output.text(), std::string(kWarning) + ". done\n");
}

TEST_F(FlashProgramTest, StatusThreeToTheStartIsAcceptedAndThePollStillRuns) {
  // Requests: 0 announcement, 1 start (answered 3), then the polls.
  ASSERT_EQ(program({}, flashDevice(1, {{1, 3}})), 0);
  EXPECT_EQ(received(gvcp::kEpcsFlash).size(), 3u);
  EXPECT_EQ(output.text(), std::string(kWarning) + ". done\n");
}

TEST_F(FlashProgramTest, PositiveStatusOnABlockCountsAsAccepted) {
  const Bytes image = testing_peer::patternImage(1300);
  ASSERT_EQ(program(image, flashDevice(0, {{2, 5}})), 0);
  EXPECT_EQ(received(gvcp::kEpcsBlock).size(), 3u);
  EXPECT_EQ(testing_peer::imageFromBlocks(peer->received()), image);
}

TEST_F(FlashProgramTest, UnansweredFourthBlockStopsTheRunAfterFourDots) {
  // Requests: 0 announcement, 1 to 3 the first blocks, 4 the fourth.
  auto device = flashDevice(0, {{4, std::nullopt}, {5, std::nullopt}, {6, std::nullopt}});
  EXPECT_EQ(program(testing_peer::patternImage(5 * 512), device), kProgramBlockFailed);
  EXPECT_EQ(output.text(), "....");
  const std::vector<Bytes> blocks = received(gvcp::kEpcsBlock);
  ASSERT_EQ(blocks.size(), 6u);  // three accepted blocks, then the fourth three times
  EXPECT_EQ(blocks[3], blocks[5]);
  EXPECT_TRUE(received(gvcp::kEpcsFlash).empty());
}

TEST_F(FlashProgramTest, RefusedStepsEndTheRunWithTheirOwnResults) {
  EXPECT_EQ(program(testing_peer::patternImage(600), flashDevice(0, {{0, 0x80000002}})),
            kProgramAnnounceFailed);
  EXPECT_EQ(peer->count(), 1u);
  EXPECT_EQ(program(testing_peer::patternImage(600), flashDevice(0, {{3, 0x8FFF0000}})),
            kProgramStartFailed);
  EXPECT_EQ(output.text(), std::string("..") + kWarning);
}

TEST_F(FlashProgramTest, HooksSeeEveryBlockTheStartOfFlashingAndEachUnfinishedPoll) {
  std::vector<uint64_t> sent;
  int flashRequestsAtStart = -1;
  int polls = 0;
  hooks.blockSent = [&sent](uint64_t done, uint64_t total) {
    EXPECT_EQ(total, 1300u);
    sent.push_back(done);
  };
  hooks.flashingStarts = [&] {
    flashRequestsAtStart = static_cast<int>(received(gvcp::kEpcsFlash).size());
  };
  hooks.polled = [&polls] { ++polls; };
  ASSERT_EQ(program(testing_peer::patternImage(1300), flashDevice(2)), 0);
  EXPECT_EQ(sent, (std::vector<uint64_t>{512, 1024, 1300}));
  EXPECT_EQ(flashRequestsAtStart, 0);
  EXPECT_EQ(polls, 2);
}

TEST_F(FlashProgramTest, StopBeforeABlockOrTheStartEndsTheRunWithNothingFlashed) {
  int asked = 0;
  hooks.stop = [&asked] { return ++asked == 3; };  // before the third block
  EXPECT_EQ(program(testing_peer::patternImage(5 * 512), flashDevice(0)), kProgramStopped);
  EXPECT_EQ(received(gvcp::kEpcsBlock).size(), 2u);
  EXPECT_TRUE(received(gvcp::kEpcsFlash).empty());
  asked = 0;
  hooks.stop = [&asked] { return ++asked == 3; };  // two blocks, then before the start
  EXPECT_EQ(program(testing_peer::patternImage(2 * 512), flashDevice(0)), kProgramStopped);
  EXPECT_EQ(received(gvcp::kEpcsBlock).size(), 2u);
  EXPECT_TRUE(received(gvcp::kEpcsFlash).empty());
}

TEST_F(FlashProgramTest, UnreadableImagesFailBeforeAnythingIsSent) {
  peer = std::make_unique<testing_peer::ScriptedPeer>(flashDevice(0));
  ASSERT_TRUE(peer->ok());
  EXPECT_EQ(programFile((dir.path() / "missing.bin").string()), kProgramUnreadableImage);
  EXPECT_EQ(programFile(dir.path().string()), kProgramUnreadableImage);  // a directory
  EXPECT_EQ(output.text(), "failed\nfailed\n");
  EXPECT_FALSE(peer->waitForCount(1, std::chrono::milliseconds(200)));
}

TEST_F(FlashProgramTest, CameraThatNeverFinishesFlashingEndsAtTheBound) {
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(program({}, flashDevice(1 << 30), std::chrono::milliseconds(300)),
            kProgramNotCompleted);
  EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
  const std::string text = output.text();
  EXPECT_NE(text.find(" failed: the camera did not finish flashing within 1 s\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.rfind(" done"), text.find(" done"));  // the poll never reports done
}

TEST_F(FlashProgramTest, SilentPollCostsAWholePollWaitPerDot) {
  auto flashCommands = std::make_shared<int>(0);
  auto device = [flashCommands](const Bytes& request) -> std::vector<Bytes> {
    if (testing_peer::epcsCommand(request) == gvcp::kEpcsFlash && (*flashCommands)++ > 0) {
      return {};  // the polls go unanswered
    }
    return {testing_peer::epcsAnswer(request, 0)};
  };
  const auto begin = std::chrono::steady_clock::now();
  EXPECT_EQ(program({}, device, std::chrono::milliseconds(1500)), kProgramNotCompleted);
  const auto spent = std::chrono::steady_clock::now() - begin;
  EXPECT_GE(spent, std::chrono::milliseconds(2000));  // two one-second polls
  EXPECT_LT(spent, std::chrono::seconds(6));
  EXPECT_EQ(received(gvcp::kEpcsFlash).size(), 3u);
}

}  // namespace

// The simulated camera's flash protocol over real UDP port 2200: a whole image
// programmed and stored in its state directory, and a camera that never finishes.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "testbed/lan_fixture.h"
#include "testbed/testbed.h"
#include "testbed/udp_peer.h"

namespace {

using testbed::Millis;
using Bytes = std::vector<uint8_t>;

constexpr char kHostIp[] = "192.168.88.1";
constexpr char kCameraIp[] = "192.168.88.10";
constexpr uint16_t kFlashPort = 2200;
constexpr Millis kAnswerWaitMs(1000);

void le32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes flashRequest(uint32_t command, const Bytes& payload) {
  Bytes out;
  for (uint32_t word : {0x12345678u, command, 0u, static_cast<uint32_t>(payload.size())})
    le32(out, word);
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

class FlashEndToEnd : public testbed::LanTest {
 protected:
  FlashEndToEnd() : LanTest(std::string(kHostIp) + "/24") {}

  std::unique_ptr<testbed::SimulatedCamera> start(std::vector<std::string> extra) {
    testbed::CameraSpec setup;
    setup.ip = kCameraIp;
    setup.extraArgs = std::move(extra);
    auto camera = std::make_unique<testbed::SimulatedCamera>(net_, sw_, "cam", setup);
    EXPECT_TRUE(camera->ready()) << camera->process().errors();
    return camera;
  }

  // Status word of the answer, or nullopt when none came.
  std::optional<uint32_t> exchange(testbed::UdpPeer& peer, const Bytes& request) {
    EXPECT_TRUE(peer.sendTo(kCameraIp, kFlashPort, request));
    const auto answer = peer.receive(kAnswerWaitMs);
    if (!answer || answer->bytes.size() != 16) return std::nullopt;
    const uint8_t* s = answer->bytes.data() + 8;
    return s[0] | (s[1] << 8) | (s[2] << 16) | (uint32_t{s[3]} << 24);
  }

  void sendImage(testbed::UdpPeer& peer, const Bytes& image) {
    Bytes announce;
    le32(announce, 0x00010000);
    le32(announce, static_cast<uint32_t>(image.size()));
    ASSERT_EQ(exchange(peer, flashRequest(1, announce)), 0u);
    for (size_t offset = 0; offset < image.size(); offset += 512) {
      const size_t count = std::min<size_t>(512, image.size() - offset);
      Bytes payload;
      le32(payload, static_cast<uint32_t>(offset));
      le32(payload, static_cast<uint32_t>(count));
      payload.insert(payload.end(), image.begin() + offset, image.begin() + offset + count);
      payload.resize(520, 0);
      ASSERT_EQ(exchange(peer, flashRequest(2, payload)), 0u) << "block at " << offset;
    }
    ASSERT_EQ(exchange(peer, flashRequest(3, {})), 0u);
  }
};

TEST_F(FlashEndToEnd, ImageIsProgrammedAndStoredOnceFlashingCompletes) {
  auto camera = start({"--flash-ms", "300"});
  testbed::UdpPeer peer(host_, kHostIp);
  Bytes image(1300);
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7);
  // Taken before the start command goes out, so the camera's flashing time
  // lies wholly inside the measured span.
  const auto started = std::chrono::steady_clock::now();
  sendImage(peer, image);
  const auto deadline = started + std::chrono::seconds(10);
  while (exchange(peer, flashRequest(3, {})) != 3u && std::chrono::steady_clock::now() < deadline) {
  }
  const auto elapsed = std::chrono::steady_clock::now() - started;
  EXPECT_LT(elapsed, std::chrono::seconds(10)) << "flashing never completed";
  // The camera counts whole milliseconds, so it may end up to 1 ms early.
  EXPECT_GE(elapsed, std::chrono::milliseconds(299)) << "completed before the flashing time";
  const auto stored = camera->flashImage();
  ASSERT_TRUE(stored);
  EXPECT_EQ(*stored, std::string(image.begin(), image.end()));
  EXPECT_EQ(camera->status("flash_phase"), "done");
  EXPECT_EQ(camera->status("flash_blocks"), "3");
}

TEST_F(FlashEndToEnd, NeverFinishingCameraKeepsAnsweringZero) {
  auto camera = start({"--flash-ms", "0", "--never-finish-flash"});
  testbed::UdpPeer peer(host_, kHostIp);
  sendImage(peer, Bytes(600, 0x5A));
  for (int poll = 0; poll < 5; ++poll) EXPECT_EQ(exchange(peer, flashRequest(3, {})), 0u);
  EXPECT_FALSE(camera->flashImage());
  EXPECT_EQ(camera->status("flash_phase"), "flashing");
}

}  // namespace

// The camera's side of the flash protocol, with the literal datagrams the
// updater sends: announcement, 520-byte blocks, start and completion polls.
#include "simulator/flash_handler.h"

#include <gtest/gtest.h>

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;

void le32(Bytes& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

Bytes request(uint32_t command, const Bytes& payload) {
  Bytes out;
  le32(out, gvcp::kEpcsMagic);
  le32(out, command);
  le32(out, 0);
  le32(out, static_cast<uint32_t>(payload.size()));
  out.insert(out.end(), payload.begin(), payload.end());
  return out;
}

Bytes announce(uint32_t size) {
  Bytes payload;
  le32(payload, gvcp::kEpcsAnnounceTag);
  le32(payload, size);
  return request(1, payload);
}

Bytes block(uint32_t offset, uint32_t count, uint8_t fill) {
  Bytes payload;
  le32(payload, offset);
  le32(payload, count);
  payload.resize(520, 0);
  std::fill(payload.begin() + 8, payload.begin() + 8 + std::min<uint32_t>(count, 512), fill);
  return request(2, payload);
}

uint32_t statusOf(const FlashOutcome& o) {
  return o.answer[8] | (o.answer[9] << 8) | (o.answer[10] << 16) | (uint32_t{o.answer[11]} << 24);
}

class FlashHandlerTest : public ::testing::Test {
 protected:
  FlashHandlerTest() { state.flashTimeMs = 500; }
  FlashOutcome send(const Bytes& bytes, uint64_t nowMs = 0) {
    return handleFlash(state, bytes, nowMs);
  }
  FlashState state;
};

TEST_F(FlashHandlerTest, AnnouncementLiteralIsAcceptedWithABareHeader) {
  const Bytes literal = {0x78, 0x56, 0x34, 0x12, 0x01, 0,    0,    0,    0,    0,    0, 0,
                         0x08, 0,    0,    0,    0x00, 0x00, 0x01, 0x00, 0x14, 0x05, 0, 0};
  const FlashOutcome o = send(literal);
  EXPECT_EQ(o.answer, (Bytes{0x78, 0x56, 0x34, 0x12, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
  EXPECT_EQ(state.image.size(), 1300u);
  EXPECT_EQ(state.phase, FlashPhase::kReceiving);
}

TEST_F(FlashHandlerTest, WholeRunProgramsTheImageAfterTheFlashingTime) {
  send(announce(1300));
  EXPECT_EQ(statusOf(send(block(0, 512, 0xA1))), 0u);
  EXPECT_EQ(statusOf(send(block(512, 512, 0xB2))), 0u);
  EXPECT_EQ(statusOf(send(block(1024, 276, 0xC3))), 0u);
  EXPECT_EQ(statusOf(send(request(3, {}), 1000)), 0u);
  EXPECT_EQ(statusOf(send(request(3, {}), 1499)), 0u) << "finished early";
  const FlashOutcome done = send(request(3, {}), 1500);
  EXPECT_EQ(statusOf(done), kFlashStatusDone);
  ASSERT_TRUE(done.programmed);
  EXPECT_EQ(done.programmed->size(), 1300u);
  EXPECT_EQ((*done.programmed)[511], 0xA1);
  EXPECT_EQ((*done.programmed)[512], 0xB2);
  EXPECT_EQ((*done.programmed)[1299], 0xC3);
  EXPECT_EQ(statusOf(send(request(3, {}), 1600)), kFlashStatusDone) << "later polls still say done";
}

TEST_F(FlashHandlerTest, NeverFinishKeepsAnsweringZero) {
  state.neverFinish = true;
  send(announce(4));
  send(block(0, 4, 1));
  send(request(3, {}), 0);
  EXPECT_EQ(statusOf(send(request(3, {}), 1'000'000)), 0u);
}

TEST_F(FlashHandlerTest, BadRequestsAreRejectedWithATopBitStatus) {
  EXPECT_EQ(statusOf(send(block(0, 512, 1))), kFlashStatusRejected) << "block before announcement";
  EXPECT_EQ(statusOf(send(request(3, {}))), kFlashStatusRejected) << "start before announcement";
  EXPECT_EQ(statusOf(send(announce(kMaxFlashImageBytes + 1))), kFlashStatusRejected);
  send(announce(600));
  EXPECT_EQ(statusOf(send(block(512, 100, 1))), kFlashStatusRejected) << "past the image end";
  EXPECT_EQ(statusOf(send(block(0, 513, 1))), kFlashStatusRejected);
  EXPECT_EQ(statusOf(send(block(0, 0, 1))), kFlashStatusRejected);
  Bytes lying = block(0, 4, 1);
  lying.resize(100);  // length still says 520
  EXPECT_EQ(statusOf(send(lying)), kFlashStatusRejected);
  EXPECT_EQ(statusOf(send(block(0xFFFFFFF0u, 16, 1))), kFlashStatusRejected) << "offset overflow";
}

TEST_F(FlashHandlerTest, NonFlashDatagramsGetNoAnswer) {
  EXPECT_TRUE(send(Bytes{}).answer.empty());
  EXPECT_TRUE(send(Bytes(15, 0x78)).answer.empty());
  Bytes wrongMagic = announce(4);
  wrongMagic[0] = 0x79;
  EXPECT_TRUE(send(wrongMagic).answer.empty());
}

}  // namespace
}  // namespace sim

#include "gvcp/gvcp_protocol.h"

#include <gtest/gtest.h>

namespace gvcp {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(GvcpFramingTest, DiscoveryCommandIsSixteenExactBytes) {
  EXPECT_EQ(buildDiscoveryCommand(),
            (Bytes{0x42, 0x11, 0x00, 0x02, 0x00, 0x08, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(GvcpFramingTest, CommandHeaderIsBigEndianWithKeyFirst) {
  const uint8_t payload[4] = {0x00, 0x00, 0x0A, 0x00};
  EXPECT_EQ(buildCommand(kFlagAckRequired, READREG_CMD, 0x1234, payload),
            (Bytes{0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x12, 0x34, 0x00, 0x00, 0x0A, 0x00}));
  uint8_t header[8];
  writeCommandHeader(header, {0x01, FORCEIP_CMD, kForceIpPayload, kForceIpReqId});
  EXPECT_EQ(Bytes(header, header + 8), (Bytes{0x42, 0x01, 0x00, 0x04, 0x00, 0x38, 0x00, 0x09}));
  const CommandHeader back = readCommandHeader(header);
  EXPECT_EQ(back.command, FORCEIP_CMD);
  EXPECT_EQ(back.length, 56);
  EXPECT_EQ(back.req_id, 9);
}

TEST(GvcpFramingTest, AcknowledgeHeaderDecodesEveryField) {
  const uint8_t ack[8] = {0x80, 0x06, 0x00, 0x83, 0x00, 0x04, 0xFF, 0xFF};
  const AckHeader h = readAckHeader(ack);
  EXPECT_EQ(h.status, kStatusAccessDenied);
  EXPECT_EQ(h.acknowledge, WRITEREG_ACK);
  EXPECT_EQ(h.length, 4);
  EXPECT_EQ(h.ack_id, 0xFFFF);
  uint8_t again[8];
  writeAckHeader(again, h);
  EXPECT_EQ(Bytes(again, again + 8), Bytes(ack, ack + 8));
}

TEST(GvcpFramingTest, RequestIdWrapsToOneNeverZero) {
  EXPECT_EQ(kFirstRequestId, 1);
  EXPECT_EQ(nextRequestId(1), 2);
  EXPECT_EQ(nextRequestId(0xFFFE), 0xFFFF);
  EXPECT_EQ(nextRequestId(0xFFFF), 1);
}

TEST(GvcpFramingTest, AcknowledgeCodesAreCommandPlusOne) {
  for (auto [cmd, ack] : {std::pair{DISCOVERY_CMD, DISCOVERY_ACK}, {FORCEIP_CMD, FORCEIP_ACK},
                          {READREG_CMD, READREG_ACK}, {WRITEREG_CMD, WRITEREG_ACK},
                          {READMEM_CMD, READMEM_ACK}, {WRITEMEM_CMD, WRITEMEM_ACK}}) {
    EXPECT_EQ(cmd + 1, ack);
  }
  EXPECT_EQ(kAckBufferSize, 548u);
  EXPECT_EQ(kDiscoveryFrameSize, 14u + 20u + 8u + kDiscoveryAckSize);
}

}  // namespace
}  // namespace gvcp

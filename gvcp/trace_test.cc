#include "gvcp/trace.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

const uint32_t kPeer = htonl(0xC0A80A0B);  // 192.168.10.11

// The wire bytes are written out here, apart from the framing code.
TEST(DescribeDatagram, ReadRegisterCommand) {
  const Bytes cmd = {0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x05, 0x00, 0x00, 0x00, 0x14};
  EXPECT_EQ(describeDatagram(gvcp::TraceDirection::kSend, kPeer, 3956, cmd),
            "gvcp send 192.168.10.11:3956 READREG_CMD req_id=5 addr=0x00000014");
}

TEST(DescribeDatagram, ReadRegisterAcknowledgeWithStatus) {
  const Bytes ack = {0x00, 0x00, 0x00, 0x81, 0x00, 0x04, 0x00, 0x05, 0x00, 0x00, 0x00, 0x05};
  EXPECT_EQ(describeDatagram(gvcp::TraceDirection::kReceive, kPeer, 3956, ack),
            "gvcp recv 192.168.10.11:3956 READREG_ACK req_id=5 status=0x0000 value=0x00000005");
}

TEST(DescribeDatagram, WriteRegisterCommandShowsAddressAndValue) {
  const Bytes cmd = {0x42, 0x01, 0x00, 0x82, 0x00, 0x08, 0x00, 0x07,
                     0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x03};
  EXPECT_EQ(describeDatagram(gvcp::TraceDirection::kSend, kPeer, 3956, cmd),
            "gvcp send 192.168.10.11:3956 WRITEREG_CMD req_id=7 addr=0x00000A00 value=0x00000003");
}

TEST(DescribeDatagram, RefusedWriteShowsTheCameraStatus) {
  const Bytes ack = {0x80, 0x06, 0x00, 0x83, 0x00, 0x04, 0x00, 0x07, 0, 0, 0, 0};
  EXPECT_EQ(describeDatagram(gvcp::TraceDirection::kReceive, kPeer, 3956, ack),
            "gvcp recv 192.168.10.11:3956 WRITEREG_ACK req_id=7 status=0x8006");
}

TEST(DescribeDatagram, DiscoveryAcknowledgeShowsMacAndAddress) {
  Bytes ack(256, 0);
  const Bytes header = {0x00, 0x00, 0x00, 0x03, 0x00, 0xF8, 0x00, 0x02};
  std::copy(header.begin(), header.end(), ack.begin());
  const Bytes mac = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
  std::copy(mac.begin(), mac.end(), ack.begin() + 8 + 10);
  const Bytes ip = {192, 168, 10, 11};
  std::copy(ip.begin(), ip.end(), ack.begin() + 8 + 36);
  EXPECT_EQ(describeDatagram(gvcp::TraceDirection::kReceive, kPeer, 3956, ack),
            "gvcp recv 192.168.10.11:3956 DISCOVERY_ACK req_id=2 status=0x0000 "
            "mac=02:11:22:33:44:55 ip=192.168.10.11");
}

TEST(DescribeDatagram, UnknownCodeAndShortDatagrams) {
  const Bytes odd = {0x42, 0x00, 0x12, 0x34, 0x00, 0x00, 0x00, 0x01};
  EXPECT_EQ(describeDatagram(gvcp::TraceDirection::kSend, kPeer, 1, odd),
            "gvcp send 192.168.10.11:1 UNKNOWN(0x1234) req_id=1");
  const Bytes cut = {0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x05, 0x00};
  EXPECT_EQ(describeDatagram(gvcp::TraceDirection::kSend, kPeer, 3956, cut),
            "gvcp send 192.168.10.11:3956 READREG_CMD req_id=5 truncated");
  EXPECT_EQ(describeDatagram(gvcp::TraceDirection::kSend, kPeer, 3956, Bytes{0x42}),
            "gvcp send 192.168.10.11:3956 bytes=1 truncated");
}

TEST(TraceHook, SeesEveryDatagramUntilRemoved) {
  int calls = 0;
  gvcp::setTraceHook(
      [&](gvcp::TraceDirection, uint32_t, uint16_t, std::span<const uint8_t>) { ++calls; });
  gvcp::traceDatagram(gvcp::TraceDirection::kSend, kPeer, 3956, Bytes{1, 2});
  gvcp::setTraceHook({});
  gvcp::traceDatagram(gvcp::TraceDirection::kSend, kPeer, 3956, Bytes{1, 2});
  EXPECT_EQ(calls, 1);
}

}  // namespace

// The --trace line of one exchange, spelled out in full.
#include "simulator/gvcp_trace.h"

#include <gtest/gtest.h>

#include <vector>

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr Peer kFrom{0xC0A84D01, 50123};  // 192.168.77.1

TEST(GvcpTraceTest, RegisterReadShowsSenderCommandIdAddressesAndAnswer) {
  const Bytes request = {0x42, 0x01, 0x00, 0x80, 0, 8, 0x12, 0x34, 0, 0, 0x09, 0x34, 0, 0, 0, 4};
  const Bytes answer = {0, 0, 0, 0x81, 0, 8, 0x12, 0x34, 0xC0, 0, 0, 3, 0x80, 0, 0, 0};
  EXPECT_EQ(traceLine(kFrom, request, answer),
            "gvcp 192.168.77.1:50123 readreg 0x0080 id 4660: 00000934 00000004 -> ack 0x0081 "
            "status 0x0000: c0000003 80000000\n");
}

TEST(GvcpTraceTest, RefusalAndMissingAnswerAreShown) {
  const Bytes write = {0x42, 0x00, 0x00, 0x82, 0, 8, 0, 7, 0, 0, 0x0A, 0, 0, 0, 0, 2};
  EXPECT_EQ(traceLine(kFrom, write, {}),
            "gvcp 192.168.77.1:50123 writereg 0x0082 id 7: 00000a00 00000002 -> no answer\n");
  const Bytes denied = {0x80, 0x06, 0, 0x83, 0, 4, 0, 7, 0, 0, 0, 0};
  EXPECT_EQ(traceLine(kFrom, write, denied),
            "gvcp 192.168.77.1:50123 writereg 0x0082 id 7: 00000a00 00000002 -> ack 0x0083 "
            "status 0x8006: 00000000\n");
}

TEST(GvcpTraceTest, LongPayloadShowsItsFirstWordsAndWhatFollows) {
  Bytes answer = {0, 0, 0, 0x85, 0x02, 0x04, 0, 1};
  answer.resize(8 + 516, 0x41);
  const std::string line = traceLine(kFrom, Bytes{0x42, 1, 0, 0x84, 0, 0, 0, 1}, answer);
  EXPECT_NE(line.find("readmem 0x0084 id 1: -> ack 0x0085 status 0x0000: 41414141"),
            std::string::npos)
      << line;
  EXPECT_NE(line.find(" 41414141 +484 bytes\n"), std::string::npos) << line;
}

TEST(GvcpTraceTest, DatagramShorterThanAHeaderIsMalformed) {
  EXPECT_EQ(traceLine(kFrom, Bytes{0x42, 1}, {}),
            "gvcp 192.168.77.1:50123 malformed (2 bytes) -> no answer\n");
}

}  // namespace
}  // namespace sim

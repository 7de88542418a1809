// The simulated camera's answers to requests written out byte by byte, with
// register addresses, answer offsets and flash words spelled as literal
// numbers rather than taken from the shared framing and register map: a wrong
// constant there makes the simulator answer differently from these tables.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "simulator/flash_handler.h"
#include "simulator/gvcp_handler.h"

namespace sim {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr Peer kHost{0xC0A80101, 50000};  // 192.168.1.1

Bytes textBytes(const std::string& text) { return Bytes(text.begin(), text.end()); }
Bytes slice(const Bytes& bytes, size_t at, size_t count) {
  return at + count <= bytes.size() ? Bytes(bytes.begin() + at, bytes.begin() + at + count)
                                    : Bytes{};
}
Bytes joined(Bytes head, const Bytes& tail) {
  head.insert(head.end(), tail.begin(), tail.end());
  return head;
}

class GvcpWireAnswersTest : public ::testing::Test {
 protected:
  GvcpWireAnswersTest() {
    state.mac = {0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
    state.current = {0xC0A8010A, 0xFFFFFE00, 0xC0A801FE};
    state.persisted.ipConfig = 0x5;
    state.persisted.address = {0x0A000005, 0xFF000000, 0};
    state.persisted.userName = "User-Name-16-Byt";
    state.identity = {"Manufacturer-Name-Field-32-Bytes", "Model-Name-Field-Of-32-Bytes-Abc",
                      "Device-Version-32-Byte-Field-1.2",
                      "Manufacturer-Specific-Information-48-Bytes-Wide!", "SERIAL-16-BYTES!"};
  }
  Outcome send(const Bytes& request) { return handleGvcp(state, kHost, request, 1000); }
  // READREG with req_id 5 of `address` (given as its four wire bytes).
  Bytes readreg(Bytes address) {
    return send(joined({0x42, 0x01, 0x00, 0x80, 0x00, 0x04, 0x00, 0x05}, address)).answer;
  }
  Outcome writereg(Bytes addressAndValue, uint8_t flag = 0x01) {
    return send(joined({0x42, flag, 0x00, 0x82, 0x00, 0x08, 0x00, 0x06}, addressAndValue));
  }
  void takeControl() {
    ASSERT_EQ(writereg({0x00, 0x00, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x03}).answer,
              (Bytes{0x00, 0x00, 0x00, 0x83, 0x00, 0x04, 0x00, 0x06, 0x00, 0x00, 0x00, 0x01}));
  }

  DeviceState state;
};

TEST_F(GvcpWireAnswersTest, DiscoveryAnswerPutsEveryFieldAtItsOffset) {
  const Outcome o = send({0x42, 0x11, 0x00, 0x02, 0x00, 0x08, 0x00, 0x02, 0, 0, 0, 0, 0, 0, 0, 0});
  const Bytes& a = o.answer;
  ASSERT_EQ(a.size(), 256u);
  EXPECT_EQ(slice(a, 0, 8), (Bytes{0x00, 0x00, 0x00, 0x03, 0x00, 0xF8, 0x00, 0x02}));
  EXPECT_EQ(slice(a, 18, 6), (Bytes{0x02, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
  EXPECT_EQ(slice(a, 24, 4), (Bytes{0x00, 0x00, 0x00, 0x07}));
  EXPECT_EQ(slice(a, 28, 4), (Bytes{0x00, 0x00, 0x00, 0x05}));
  EXPECT_EQ(slice(a, 44, 4), (Bytes{0xC0, 0xA8, 0x01, 0x0A}));
  EXPECT_EQ(slice(a, 60, 4), (Bytes{0xFF, 0xFF, 0xFE, 0x00}));
  EXPECT_EQ(slice(a, 76, 4), (Bytes{0xC0, 0xA8, 0x01, 0xFE}));
  EXPECT_EQ(slice(a, 80, 32), textBytes("Manufacturer-Name-Field-32-Bytes"));
  EXPECT_EQ(slice(a, 112, 32), textBytes("Model-Name-Field-Of-32-Bytes-Abc"));
  EXPECT_EQ(slice(a, 144, 32), textBytes("Device-Version-32-Byte-Field-1.2"));
  EXPECT_EQ(slice(a, 176, 48), textBytes("Manufacturer-Specific-Information-48-Bytes-Wide!"));
  EXPECT_EQ(slice(a, 224, 16), textBytes("SERIAL-16-BYTES!"));
  EXPECT_EQ(slice(a, 240, 16), textBytes("User-Name-16-Byt"));
}

TEST_F(GvcpWireAnswersTest, RegisterReadsAnswerTheValueAtEachLiteralAddress) {
  const std::vector<std::pair<Bytes, Bytes>> table = {
      {{0x00, 0x00, 0x00, 0x08}, {0x00, 0x00, 0x02, 0x1A}},  // MAC high
      {{0x00, 0x00, 0x00, 0x0C}, {0x2B, 0x3C, 0x4D, 0x5E}},  // MAC low
      {{0x00, 0x00, 0x00, 0x10}, {0x00, 0x00, 0x00, 0x07}},  // supported configurations
      {{0x00, 0x00, 0x00, 0x14}, {0x00, 0x00, 0x00, 0x05}},  // current configuration
      {{0x00, 0x00, 0x00, 0x24}, {0xC0, 0xA8, 0x01, 0x0A}},  // current address
      {{0x00, 0x00, 0x00, 0x34}, {0xFF, 0xFF, 0xFE, 0x00}},  // current mask
      {{0x00, 0x00, 0x06, 0x4C}, {0x0A, 0x00, 0x00, 0x05}},  // persistent address
      {{0x00, 0x00, 0x06, 0x5C}, {0xFF, 0x00, 0x00, 0x00}},  // persistent mask
      {{0x00, 0x00, 0x09, 0x38}, {0x00, 0x00, 0x0B, 0xB8}},  // heartbeat timeout 3000
      {{0x00, 0x00, 0x0A, 0x00}, {0x00, 0x00, 0x00, 0x00}},  // nobody holds control
  };
  for (const auto& [address, value] : table) {
    EXPECT_EQ(readreg(address), joined({0x00, 0x00, 0x00, 0x81, 0x00, 0x04, 0x00, 0x05}, value))
        << "register " << int{address[2]} << ":" << int{address[3]};
  }
}

TEST_F(GvcpWireAnswersTest, MemoryReadsEchoTheAddressAndAnswerTheTextField) {
  const std::vector<std::pair<Bytes, std::string>> table = {
      {{0x00, 0x00, 0x00, 0x48, 0x00, 0x00, 0x00, 0x20}, "Manufacturer-Name-Field-32-Bytes"},
      {{0x00, 0x00, 0x00, 0x68, 0x00, 0x00, 0x00, 0x20}, "Model-Name-Field-Of-32-Bytes-Abc"},
      {{0x00, 0x00, 0x00, 0x88, 0x00, 0x00, 0x00, 0x20}, "Device-Version-32-Byte-Field-1.2"},
      {{0x00, 0x00, 0x00, 0xA8, 0x00, 0x00, 0x00, 0x30},
       "Manufacturer-Specific-Information-48-Bytes-Wide!"},
      {{0x00, 0x00, 0x00, 0xD8, 0x00, 0x00, 0x00, 0x10}, "SERIAL-16-BYTES!"},
      {{0x00, 0x00, 0x00, 0xE8, 0x00, 0x00, 0x00, 0x10}, "User-Name-16-Byt"},
      // Reads wider than a field go on into the next one, as the tool's
      // 64-byte version read does: each field ends at its own width.
      {{0x00, 0x00, 0x00, 0x88, 0x00, 0x00, 0x00, 0x40},
       "Device-Version-32-Byte-Field-1.2Manufacturer-Specific-Informatio"},
      {{0x00, 0x00, 0x00, 0xD8, 0x00, 0x00, 0x00, 0x20}, "SERIAL-16-BYTES!User-Name-16-Byt"},
  };
  for (const auto& [request, text] : table) {
    const Bytes answer =
        send(joined({0x42, 0x01, 0x00, 0x84, 0x00, 0x08, 0x00, 0x07}, request)).answer;
    const uint8_t length = static_cast<uint8_t>(4 + text.size());
    EXPECT_EQ(answer, joined(joined({0x00, 0x00, 0x00, 0x85, 0x00, length, 0x00, 0x07},
                                    slice(request, 0, 4)),
                             textBytes(text)))
        << text;
  }
}

TEST_F(GvcpWireAnswersTest, WritesLandInTheRegistersTheToolMeans) {
  takeControl();
  writereg({0x00, 0x00, 0x09, 0x38, 0x00, 0x00, 0x13, 0x88});
  writereg({0x00, 0x00, 0x06, 0x4C, 0xC0, 0xA8, 0x01, 0x0A});
  writereg({0x00, 0x00, 0x06, 0x5C, 0xFF, 0xFF, 0xFF, 0x00});
  writereg({0x00, 0x00, 0x00, 0x14, 0x00, 0x00, 0x00, 0x06});
  EXPECT_EQ(state.heartbeatTimeoutMs, 5000u);
  EXPECT_EQ(state.persisted.address.ip, 0xC0A8010Au);
  EXPECT_EQ(state.persisted.address.mask, 0xFFFFFF00u);
  EXPECT_EQ(state.persisted.ipConfig, 0x6u);
  EXPECT_EQ(state.control.ccp, 3u);
}

TEST_F(GvcpWireAnswersTest, RestartWordWithoutAcknowledgeRestartsSilently) {
  takeControl();
  const Outcome o = writereg({0x00, 0x00, 0xB0, 0xE8, 0x00, 0x00, 0xAF, 0xFE}, 0x00);
  EXPECT_TRUE(o.reboot);
  EXPECT_TRUE(o.answer.empty());
}

TEST_F(GvcpWireAnswersTest, ForceIpTakesAddressAndMaskFromTheirOffsets) {
  const Bytes request = {0x42, 0x01, 0x00, 0x04, 0x00, 0x38, 0x00, 0x09, 0x00, 0x00, 0x02,
                         0x1A, 0x2B, 0x3C, 0x4D, 0x5E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x14, 0x1E, 0x28, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                         0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x14, 0x00, 0x01};
  ASSERT_EQ(request.size(), 64u);
  const Outcome o = send(request);
  ASSERT_TRUE(o.newAddress.has_value());
  EXPECT_EQ(o.newAddress->ip, 0x0A141E28u);
  EXPECT_EQ(o.newAddress->mask, 0xFFFF0000u);
  EXPECT_EQ(o.newAddress->gateway, 0x0A140001u);
  EXPECT_EQ(slice(o.answer, 0, 8), (Bytes{0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x09}));
}

// The flash end: an announcement of 4 bytes, one block holding them, the start
// and a poll after the flashing time, with every word little-endian.
TEST(FlashWireAnswersTest, LiteralSessionProgramsTheImageAndEndsWithStatusThree) {
  FlashState flash;
  flash.flashTimeMs = 10;
  const Bytes ok = {0x78, 0x56, 0x34, 0x12, 0x01, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(handleFlash(flash, Bytes{0x78, 0x56, 0x34, 0x12, 0x01, 0,    0,    0,
                                     0,    0,    0,    0,    0x08, 0,    0,    0,
                                     0x00, 0x00, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00},
                        0)
                .answer,
            ok);
  Bytes block = {0x78, 0x56, 0x34, 0x12, 0x02, 0,    0,    0,    0,    0,
                 0,    0,    0x08, 0x02, 0,    0,    0x00, 0x00, 0x00, 0x00,
                 0x04, 0x00, 0x00, 0x00, 0xCA, 0xFE, 0xBA, 0xBE};
  block.resize(16 + 520, 0);
  EXPECT_EQ(slice(handleFlash(flash, block, 1).answer, 8, 4), (Bytes{0, 0, 0, 0}));
  EXPECT_EQ(flash.blocksWritten, 1u);
  const Bytes start = {0x78, 0x56, 0x34, 0x12, 0x03, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(slice(handleFlash(flash, start, 2).answer, 8, 4), (Bytes{0, 0, 0, 0}));
  const FlashOutcome done = handleFlash(flash, start, 100);
  EXPECT_EQ(done.answer, (Bytes{0x78, 0x56, 0x34, 0x12, 0x03, 0, 0, 0, 0x03, 0, 0, 0, 0, 0, 0, 0}));
  ASSERT_TRUE(done.programmed.has_value());
  EXPECT_EQ(*done.programmed, (Bytes{0xCA, 0xFE, 0xBA, 0xBE}));
}

}  // namespace
}  // namespace sim

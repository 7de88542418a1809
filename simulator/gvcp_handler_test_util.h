// Test support only: the fixture of the packet-by-packet tests of the camera's
// GVCP side. Requests are raw bytes built here and handed to handleGvcp with a
// sender and a time; answers come back as the bytes the camera would send.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "simulator/gvcp_handler.h"

namespace sim {

using Bytes = std::vector<uint8_t>;

inline constexpr Peer kHost{0xC0A80101, 50000};   // 192.168.1.1
inline constexpr Peer kOther{0xC0A80102, 50001};  // 192.168.1.2
inline constexpr Peer kForeign{0x0A000001, 50002};

inline Bytes command(uint8_t flag, uint16_t code, uint16_t id, const Bytes& payload) {
  return gvcp::buildCommand(flag, code, id, payload);
}

inline Bytes words(std::initializer_list<uint32_t> values) {
  Bytes out;
  for (uint32_t v : values) {
    out.resize(out.size() + 4);
    gvcp::putBe32(out.data() + out.size() - 4, v);
  }
  return out;
}

class GvcpHandlerTest : public ::testing::Test {
 protected:
  GvcpHandlerTest() {
    state.mac = {0x02, 0x00, 0x00, 0xAB, 0xCD, 0xEF};
    state.current = {0xC0A8010A, 0xFFFFFF00, 0};  // 192.168.1.10/24
    state.identity.model = "MODEL-X";
    state.persisted.userName = "line-3";
  }

  Outcome send(const Bytes& request, const Peer& from = kHost, uint64_t nowMs = 1000) {
    return handleGvcp(state, from, request, nowMs);
  }
  Outcome readReg(uint32_t address, const Peer& from = kHost, uint64_t nowMs = 1000) {
    return send(command(0x01, gvcp::READREG_CMD, 5, words({address})), from, nowMs);
  }
  Outcome writeReg(uint32_t address, uint32_t value, const Peer& from = kHost,
                   uint64_t nowMs = 1000) {
    return send(command(0x01, gvcp::WRITEREG_CMD, 6, words({address, value})), from, nowMs);
  }
  static uint16_t status(const Outcome& o) { return gvcp::readAckHeader(o.answer.data()).status; }
  void takeControl(const Peer& from = kHost, uint64_t nowMs = 1000) {
    ASSERT_EQ(status(writeReg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake, from, nowMs)), 0);
  }

  DeviceState state;
};

inline Bytes readMem(uint32_t address, uint16_t count) {
  return command(0x01, gvcp::READMEM_CMD, 8, words({address, count}));
}

}  // namespace sim

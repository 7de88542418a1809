// Test support only: what a control channel put on the wire, read back from
// captured datagrams with the field positions written out here by hand (not
// taken from the code's framing), so that a table of literal register
// accesses in a test pins addresses, widths and values independently of the
// constants the tool and the simulator share. Pure; any thread.
#pragma once

#include <cstdint>
#include <ostream>
#include <vector>

namespace testing_peer {

// One command as sent: flag byte, command code, register or memory address,
// and the operand (the value of a WRITEREG, the byte count of a READMEM,
// 0 for a READREG). Anything shorter than a header and an address is `bad`.
struct WireAccess {
  uint8_t flag = 0;
  uint16_t command = 0;
  uint32_t address = 0;
  uint32_t operand = 0;
  bool operator==(const WireAccess&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const WireAccess& a) {
  return out << std::hex << "{flag 0x" << int{a.flag} << ", cmd 0x" << a.command << ", addr 0x"
             << a.address << ", operand 0x" << a.operand << std::dec << "}";
}

inline uint32_t wireBe32(const std::vector<uint8_t>& d, size_t at) {
  return (uint32_t{d[at]} << 24) | (uint32_t{d[at + 1]} << 16) | (uint32_t{d[at + 2]} << 8) |
         d[at + 3];
}

// Header: 0x42, flag, command (2), length (2), req_id (2); payload from byte 8.
inline WireAccess wireAccessOf(const std::vector<uint8_t>& d) {
  if (d.size() < 12 || d[0] != 0x42) return {0xFF, 0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF};
  WireAccess a{d[1], static_cast<uint16_t>((d[2] << 8) | d[3]), wireBe32(d, 8), 0};
  if (a.command == 0x0082 && d.size() >= 16) a.operand = wireBe32(d, 12);
  if (a.command == 0x0084 && d.size() >= 16)
    a.operand = static_cast<uint32_t>((d[14] << 8) | d[15]);
  return a;
}

inline std::vector<WireAccess> wireAccessesOf(const std::vector<std::vector<uint8_t>>& sent) {
  std::vector<WireAccess> accesses;
  for (const auto& datagram : sent) accesses.push_back(wireAccessOf(datagram));
  return accesses;
}

// The same without the heartbeat's reads of the privilege register, whose
// number depends on how long a dialogue ran.
inline std::vector<WireAccess> withoutHeartbeats(std::vector<WireAccess> accesses) {
  std::erase_if(accesses,
                [](const WireAccess& a) { return a.command == 0x0080 && a.address == 0x0A00; });
  return accesses;
}

}  // namespace testing_peer

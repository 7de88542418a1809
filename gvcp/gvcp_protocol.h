// GVCP framing shared by discovery, FORCEIP, the control channel and the camera
// simulator: message codes, flag bits, sizes, the 8-byte command and acknowledge
// headers and the request-identifier rule. Everything here is pure and big-endian
// on the wire; nothing touches a socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace gvcp {

inline constexpr uint16_t kPort = 3956;
inline constexpr uint8_t kKey = 0x42;

inline constexpr uint8_t kFlagAckRequired = 0x01;
inline constexpr uint8_t kFlagBroadcastAck = 0x10;

inline constexpr uint16_t DISCOVERY_CMD = 0x0002;
inline constexpr uint16_t DISCOVERY_ACK = 0x0003;
inline constexpr uint16_t FORCEIP_CMD = 0x0004;
inline constexpr uint16_t FORCEIP_ACK = 0x0005;
inline constexpr uint16_t READREG_CMD = 0x0080;
inline constexpr uint16_t READREG_ACK = 0x0081;
inline constexpr uint16_t WRITEREG_CMD = 0x0082;
inline constexpr uint16_t WRITEREG_ACK = 0x0083;
inline constexpr uint16_t READMEM_CMD = 0x0084;
inline constexpr uint16_t READMEM_ACK = 0x0085;
inline constexpr uint16_t WRITEMEM_CMD = 0x0086;
inline constexpr uint16_t WRITEMEM_ACK = 0x0087;
// Sent by a device that needs longer for a command: the real acknowledge
// follows within the time it names. Payload: 16 reserved bits, then the time
// to completion in ms (16 bits).
inline constexpr uint16_t PENDING_ACK = 0x0089;
inline constexpr size_t kPendingAckPayload = 4;
inline constexpr size_t kPendingAckTimeOffset = 2;  // within the payload

// Acknowledge status codes a device answers with (0 is success).
inline constexpr uint16_t kStatusSuccess = 0x0000;
inline constexpr uint16_t kStatusNotImplemented = 0x8001;
inline constexpr uint16_t kStatusInvalidParameter = 0x8002;
inline constexpr uint16_t kStatusInvalidAddress = 0x8003;
inline constexpr uint16_t kStatusWriteProtect = 0x8004;
inline constexpr uint16_t kStatusBadAlignment = 0x8005;
inline constexpr uint16_t kStatusAccessDenied = 0x8006;
inline constexpr uint16_t kStatusBusy = 0x8007;
inline constexpr uint16_t kStatusInvalidHeader = 0x800E;
inline constexpr uint16_t kStatusError = 0x8FFF;

inline constexpr size_t kHeaderSize = 8;
// The control channel takes acknowledges into a 548-byte buffer: 8 + 540 payload.
inline constexpr size_t kAckBufferSize = 548;
inline constexpr size_t kMaxAckPayload = kAckBufferSize - kHeaderSize;

// Discovery: fixed request id, 8 zero payload bytes, 256-byte acknowledge that
// is captured as a 298-byte Ethernet/IPv4/UDP frame.
inline constexpr uint16_t kDiscoveryReqId = 0x0002;
inline constexpr uint16_t kDiscoveryCmdPayload = 8;
inline constexpr size_t kDiscoveryCmdSize = kHeaderSize + kDiscoveryCmdPayload;
inline constexpr size_t kDiscoveryAckPayload = 248;
inline constexpr size_t kDiscoveryAckSize = kHeaderSize + kDiscoveryAckPayload;
inline constexpr size_t kDiscoveryFrameSize = 298;
inline constexpr size_t kFrameGvcpOffset = 42;  // 14 Ethernet + 20 IPv4 + 8 UDP

// FORCEIP: fixed request id, 56-byte payload, 64 bytes on the wire.
inline constexpr uint16_t kForceIpReqId = 0x0009;
inline constexpr uint16_t kForceIpPayload = 56;
inline constexpr size_t kForceIpCmdSize = kHeaderSize + kForceIpPayload;

struct CommandHeader {
  uint8_t flag = 0;
  uint16_t command = 0;
  uint16_t length = 0;
  uint16_t req_id = 0;
};

struct AckHeader {
  uint16_t status = 0;
  uint16_t acknowledge = 0;
  uint16_t length = 0;
  uint16_t ack_id = 0;
};

// Big-endian accessors over raw bytes.
inline void putBe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v >> 8);
  p[1] = static_cast<uint8_t>(v);
}
inline void putBe32(uint8_t* p, uint32_t v) {
  putBe16(p, static_cast<uint16_t>(v >> 16));
  putBe16(p + 2, static_cast<uint16_t>(v));
}
inline uint16_t getBe16(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t getBe32(const uint8_t* p) {
  return (static_cast<uint32_t>(getBe16(p)) << 16) | getBe16(p + 2);
}

// Writes the 8 header bytes (key 0x42 first) to `out`.
void writeCommandHeader(uint8_t* out, const CommandHeader& header);
// Reads the 8 header bytes of a command; `key` is not checked here.
CommandHeader readCommandHeader(const uint8_t* in);
void writeAckHeader(uint8_t* out, const AckHeader& header);
AckHeader readAckHeader(const uint8_t* in);

// Header followed by the payload, ready to send.
std::vector<uint8_t> buildCommand(uint8_t flag, uint16_t command, uint16_t req_id,
                                  std::span<const uint8_t> payload);

// The request counter of a control channel: starts at 1, 0xFFFF is followed by
// 1, so 0 is never sent.
inline constexpr uint16_t kFirstRequestId = 1;
inline constexpr uint16_t nextRequestId(uint16_t id) {
  return id == 0xFFFF ? kFirstRequestId : static_cast<uint16_t>(id + 1);
}

// The 16-byte DISCOVERY_CMD: 42 11 00 02 00 08 00 02 and eight zero bytes.
std::vector<uint8_t> buildDiscoveryCommand();

}  // namespace gvcp

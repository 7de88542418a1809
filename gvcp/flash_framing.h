// The framing of the flash update protocol, shared by the firmware update and
// the camera simulator: every request is a 16-byte little-endian header
// (EpcsHeader) and a payload; the one word of an answer that counts is its
// status at offset 8 (0 = success). Pure; nothing here touches a socket.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace gvcp {

inline constexpr uint16_t kEpcsPort = 2200;

inline constexpr uint32_t kEpcsAnnounce = 1;
inline constexpr uint32_t kEpcsBlock = 2;
inline constexpr uint32_t kEpcsFlash = 3;  // start of flashing and completion poll
inline constexpr uint32_t kEpcsAnnounceTag = 0x00010000;
inline constexpr int kEpcsFlashComplete = 3;  // poll answer status once flashing ended

inline constexpr size_t kEpcsBlockDataSize = 512;
inline constexpr size_t kEpcsAnnouncePayloadSize = 8;
inline constexpr size_t kEpcsBlockPayloadSize = 8 + kEpcsBlockDataSize;

inline constexpr uint32_t kEpcsMagic = 0x12345678;
inline constexpr size_t kEpcsHeaderSize = 16;
inline constexpr size_t kEpcsMaxAnswer = kEpcsHeaderSize + 512;  // what the receive takes
inline constexpr size_t kEpcsStatusOffset = 8;
inline constexpr size_t kEpcsMinAnswer = kEpcsStatusOffset + 4;  // shorter carries no status

}  // namespace gvcp

struct EpcsHeader {
  uint32_t magic = gvcp::kEpcsMagic;
  uint32_t command = 0;
  uint32_t status = 0;
  uint32_t length = 0;
};

namespace gvcp {

inline void putLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline uint32_t getLe32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

void writeEpcsHeader(uint8_t* out, const EpcsHeader& header);
EpcsHeader readEpcsHeader(const uint8_t* in);

// Header (magic, command, status 0, payload length) followed by the payload.
std::vector<uint8_t> buildEpcsRequest(uint32_t command, std::span<const uint8_t> payload);

// The status word of an answer; empty when the answer is too short to hold one.
std::optional<uint32_t> epcsAnswerStatus(std::span<const uint8_t> answer);

}  // namespace gvcp

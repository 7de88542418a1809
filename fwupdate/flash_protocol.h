// The flash update protocol: every request is a 16-byte little-endian header
// (EpcsHeader) and a payload; the one word of an answer that counts is its
// status at offset 8 (0 = success). Framing is pure; an exchange sends one
// request, waits, and repeats it when nothing comes. The caller owns the socket;
// only a failed wait (-217) closes it. One thread at a time per socket.
#pragma once

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "net/unique_fd.h"

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

inline constexpr int kEpcsTries = 3;
// Per-try wait of the ordinary exchanges, in microseconds; each try waits the
// full value (see epcs_transport).
inline constexpr int kEpcsWaitUs = 200000;

inline constexpr int kEpcsNoAnswer = -1;
inline constexpr int kEpcsWaitFailed = -217;

struct EpcsHeader {
  uint32_t magic = kEpcsMagic;
  uint32_t command = 0;
  uint32_t status = 0;
  uint32_t length = 0;
};

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

// One exchange: 0 or the answer's non-zero status unchanged (as int, so a status
// with its top bit set is negative), -1 when no try got an answer (nothing is
// sent when tries <= 0), -217 when waiting failed (the socket is then closed).
// Answers already waiting when the exchange begins belong to earlier requests
// and are discarded; an exchange decided on a later try takes in the answers to
// its earlier tries (for at most two waits after its last try) before it
// returns; answers shorter than 12 bytes are ignored. Each try waits waitUs
// microseconds. A status-0 answer is copied, header included, into
// `answer` when it fits within ackCap bytes.
int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload, unsigned int ackCap, unsigned char* answer,
                   int tries, int waitUs);
int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload);
int epcs_transport(int sock, sockaddr_in dest, unsigned int command, unsigned int len,
                   const unsigned char* payload, unsigned int ackCap, unsigned char* answer);

// The same exchange on an owned socket; after -217 `sock` is empty, and an
// empty `sock` gives -217 at once. An empty `answer` span means no buffer.
int epcsExchange(UniqueFd& sock, const sockaddr_in& dest, uint32_t command,
                 std::span<const uint8_t> payload, std::span<uint8_t> answer, int tries,
                 int waitUs);

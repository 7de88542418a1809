// The camera's side of the flash update protocol (UDP 2200) as a pure function:
// little-endian 16-byte header (magic 0x12345678, command, status, length),
// command 1 announces an image, command 2 writes a 512-byte block at its
// offset, command 3 starts flashing and then answers each poll with status 3
// once the flashing time has passed (0 before). Answers are a bare header.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "gvcp/flash_framing.h"

namespace sim {

inline constexpr uint32_t kFlashStatusOk = 0;
inline constexpr uint32_t kFlashStatusDone = gvcp::kEpcsFlashComplete;
// Top bit set: the updater takes it as a failure and stops.
inline constexpr uint32_t kFlashStatusRejected = 0x80000001;
inline constexpr uint32_t kMaxFlashImageBytes = 64u << 20;  // far above any camera image

enum class FlashPhase { kIdle, kReceiving, kFlashing, kDone };

struct FlashState {
  FlashPhase phase = FlashPhase::kIdle;
  std::vector<uint8_t> image;
  uint32_t blocksWritten = 0;
  uint64_t flashingSinceMs = 0;
  uint32_t flashTimeMs = 0;
  bool neverFinish = false;
};

struct FlashOutcome {
  std::vector<uint8_t> answer;  // empty: not a flash request, nothing is sent
  // The whole image once flashing completes; the caller stores it.
  std::optional<std::vector<uint8_t>> programmed;
};

FlashOutcome handleFlash(FlashState& state, std::span<const uint8_t> request, uint64_t nowMs);

const char* flashPhaseName(FlashPhase phase);

}  // namespace sim

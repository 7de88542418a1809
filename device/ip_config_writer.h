// The one writer of a camera's IP configuration: the persistent address, mask
// and gateway first, the current configuration register last, so that a mode
// that starts with the persistent address is switched on only once the
// registers hold it. Values are host-order register values. Without
// verification every write of the plan is sent whatever the earlier ones
// gave (the dialogue's and the library's way); with read-back each register
// is read back before the next is written, and the first write that fails or
// reads back otherwise ends the plan with nothing written after it. Prints
// nothing; uses only the Camera it is given, whose control the caller holds.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/camera_settings.h"

class Camera;

namespace device {

struct RegisterWrite {
  uint32_t address = 0;
  uint32_t value = 0;
  const char* name = "";          // "persistent IP address", ...
  uint32_t checked = 0xFFFFFFFF;  // the bits a read-back must give as written
};

// What to write; an empty part is left as the camera has it.
struct IpConfigValues {
  std::optional<net::AddressSet> persistent;
  std::optional<uint32_t> configuration;  // the whole current configuration register
};

// The three mode bits of the configuration register; a read-back of the
// register judges only these (GigE Vision 2.0 devices keep pause-frame bits
// beside them).
inline constexpr uint32_t kIpConfigModeBits = 0x7;

// The configuration value that sets `modeBits` and keeps the pause-frame bits
// `current` has.
uint32_t withPauseBitsOf(uint32_t current, uint32_t modeBits);

std::vector<RegisterWrite> ipConfigWrites(const IpConfigValues& values);

enum class Verify { kNone, kReadBack };

struct WriteFailure {
  size_t index = 0;  // into the plan
  // "write of the persistent gateway (register 0x066C): access denied", or
  // "... reads back 0x00000004, written 0x00000006".
  std::string what;
};

struct WriteOutcome {
  std::vector<int> results;             // the exchange result of every write sent, in plan order
  std::optional<WriteFailure> failure;  // read-back only: where the plan stopped
};

WriteOutcome writeIpConfig(Camera& camera, const std::vector<RegisterWrite>& plan, Verify verify);

// After a plan failed at `failedAt`: every register it reached (that one
// included, whose write may have landed) gets `previous[i]` back, the latest
// first, so the mode falls back before the address it uses; then every
// register of the plan is read. The values read, nothing where a read failed.
std::vector<std::optional<uint32_t>> putBack(Camera& camera, const std::vector<RegisterWrite>& plan,
                                             size_t failedAt,
                                             const std::vector<uint32_t>& previous);

}  // namespace device

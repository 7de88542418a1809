// Reading a camera's registers and text areas into values: each read is one
// exchange on a Camera the caller owns and returns a gvcp::Status naming what
// was read. Prints nothing. Outputs are written only when their read
// succeeded, so a caller's earlier value survives a failed read. Runs on the
// caller's thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>

#include "gvcp/status.h"

class Camera;

namespace device {

gvcp::Status readRegister(Camera& camera, uint32_t address, uint32_t& value);
// `field.size()` bytes of the memory at `address`.
gvcp::Status readMemory(Camera& camera, uint32_t address, std::span<uint8_t> field);
// MAC High holds the first two bytes in its low 16 bits, MAC Low the last four;
// `mac` is written only when both were read.
gvcp::Status readMac(Camera& camera, std::array<uint8_t, 6>& mac);

}  // namespace device

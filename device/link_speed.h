// The link speed of a discovered camera, read without taking control: the
// GVCP capability register, then Link Speed 0 where the capability says the
// camera has it. Two READREG exchanges through the camera's adapter at most;
// nothing is written. Prints nothing; the caller's thread.
#pragma once

#include <cstdint>
#include <optional>

#include "gvcp/camera_info.h"

namespace device {

inline constexpr uint32_t kCapabilityLinkSpeed = 0x10000000;

// Mb/s; none when the camera has no such register or did not answer.
std::optional<uint32_t> readLinkSpeed(const GigE_Camera_Info& camera);

}  // namespace device

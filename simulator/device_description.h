// The camera's GenICam device description: an XML file of our own describing
// the camera's identity, network configuration and control features over its
// bootstrap registers, kept in device memory at kDescriptionAddress, and the
// "Local:" URL the first-URL register holds so a client can find it (file
// name; address and length in hexadecimal). Constant text; any thread.
#pragma once

#include <cstdint>
#include <string_view>

namespace sim {

inline constexpr uint32_t kDescriptionAddress = 0x00010000;

std::string_view deviceDescription();
std::string_view descriptionUrl();

}  // namespace sim

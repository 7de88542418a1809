// The values a command writes to a camera besides addresses: the IP mode with
// its register values, and the user-defined name. Parsers return nothing for
// text they refuse; checks return the reason. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/desired_state.h"

namespace cli {

// The modes and their register values (device/desired_state.h).
using device::configValue;
using device::IpMode;
using device::ipModeName;
using device::supportBit;

// "persistent", "dhcp" or "lla", lower case.
std::optional<IpMode> parseIpMode(std::string_view text);

// The user-defined name field holds 16 bytes including its NUL.
inline constexpr size_t kMaxUserNameBytes = 15;
// Empty when `name` is 1 to 15 printable ASCII bytes; else why not.
std::optional<std::string> userNameProblem(std::string_view name);

}  // namespace cli

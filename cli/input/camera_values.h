// The values a command writes to a camera besides addresses: the IP mode with
// its register values, and the user-defined name. Parsers return nothing for
// text they refuse; checks return the reason. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cli {

enum class IpMode { kPersistent, kDhcp, kLla };

// "persistent", "dhcp" or "lla", lower case.
std::optional<IpMode> parseIpMode(std::string_view text);
const char* ipModeName(IpMode mode);
// The whole value the mode writes to the current configuration register of a
// camera whose supported register reads `supported`: LLA stays on in every
// mode (as in the dialogue's menu) where the camera offers it. A camera
// without LLA keeps only the bits it supports, so asking it for LLA beside
// another mode would never read back as written.
uint32_t configValue(IpMode mode, uint32_t supported);
// The bit of the supported configuration register that must be set.
uint32_t supportBit(IpMode mode);

// The user-defined name field holds 16 bytes including its NUL.
inline constexpr size_t kMaxUserNameBytes = 15;
// Empty when `name` is 1 to 15 printable ASCII bytes; else why not.
std::optional<std::string> userNameProblem(std::string_view name);

}  // namespace cli

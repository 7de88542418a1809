// The CAMERA argument of show: a MAC ("02:11:22:33:44:55", any letter case,
// ':' or '-' between the bytes), a dotted IPv4 address, or else a serial
// number or user-defined name (1 to 16 bytes, the width of those fields).
// Text made of digits and dots that is no valid address is an error, not a
// name; digits alone are a serial number.
// Pure.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/camera_selector.h"

namespace cli {

inline constexpr size_t kMaxNameBytes = 16;

using device::Selector;

struct SelectorParse {
  std::optional<Selector> selector;
  std::string error;  // why the text is no selector, naming it
};

SelectorParse parseSelector(std::string_view text);

}  // namespace cli

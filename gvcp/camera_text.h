// Text that comes from a camera: fixed-width fields read up to their first NUL
// (never past the field), and printing that cannot drive the operator's
// terminal. Records keep the camera's bytes unchanged; only printing replaces
// control bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace gvcp {

// The bytes from `field` up to its first zero byte, or all `width` bytes.
std::string textField(const uint8_t* field, size_t width);

// A copy of `text` with every byte below 0x20 and the byte 0x7F replaced by '?'.
std::string terminalSafe(std::string_view text);

// The same, with every byte from 0x80 replaced by '?' too: one byte a column
// in a table, and no C1 control (0x80-0x9F) for a terminal that reads bytes.
std::string tableSafe(std::string_view text);

}  // namespace gvcp

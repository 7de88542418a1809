// The CAMERA argument of show: a MAC ("02:11:22:33:44:55", any letter case,
// ':' or '-' between the bytes), a dotted IPv4 address, or else a serial
// number or user-defined name (1 to 16 bytes, the width of those fields).
// Text made of digits and dots that is no valid address is an error, not a
// name; digits alone are a serial number. Matching picks the discovered records of one camera.
// Pure.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "gvcp/camera_info.h"
#include "net/macaddress.h"

namespace cli {

inline constexpr size_t kMaxNameBytes = 16;

struct Selector {
  enum class Kind { kMac, kAddress, kName };
  Kind kind = Kind::kName;
  net::Mac mac{};
  uint32_t ip = 0;  // network byte order
  std::string text;
};

struct SelectorParse {
  std::optional<Selector> selector;
  std::string error;  // why the text is no selector, naming it
};

SelectorParse parseSelector(std::string_view text);

// The records `selector` names, one per camera: a camera seen through two
// adapters counts once, by the first record whose adapter's subnet holds its
// address, else by its first record. A name matches the serial
// number or the user-defined name exactly.
std::vector<GigE_Camera_Info> matchCameras(const Selector& selector,
                                           const std::vector<GigE_Camera_Info>& cameras);

}  // namespace cli

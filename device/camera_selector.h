// What names one camera: its MAC, the address it answers from, or its serial
// number or user-defined name; and the discovered records it picks. Pure.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gvcp/camera_info.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace device {

struct Selector {
  enum class Kind { kMac, kAddress, kName };
  Kind kind = Kind::kName;
  net::Mac mac{};
  net::Ipv4 ip;
  std::string text;
};

// The records `selector` names, one per camera: a camera seen through two
// adapters counts once, by the first record whose adapter's subnet holds its
// address, else by its first record. A name matches the serial
// number or the user-defined name exactly.
std::vector<GigE_Camera_Info> matchCameras(const Selector& selector,
                                           const std::vector<GigE_Camera_Info>& cameras);

}  // namespace device

// Cameras answering at one address, and cameras at an address of this host:
// unicast to such an address reaches whichever station answers ARP first (or
// this host itself), so neither camera can be used safely. One MAC seen on
// two adapters is one camera, not a sharing; cameras heard through different
// interfaces are on different links and share nothing. Pure.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "cli/output/camera_view.h"
#include "net/macaddress.h"

namespace cli {

struct AddressSharing {
  std::vector<net::Mac> sharesWith;  // the other cameras' MACs, each once
  bool hostAddress = false;          // the address is one of this host's
};

// One entry per camera of `cameras`, in their order. `hostAddresses` are every
// IPv4 address of every interface of the host (network byte order). 0.0.0.0
// shares with nothing.
std::vector<AddressSharing> addressSharing(const std::vector<CameraView>& cameras,
                                           const std::vector<uint32_t>& hostAddresses);

// Fills every view's sharesAddressWith and hostAddress from addressSharing.
void noteSharing(std::vector<CameraView>& cameras, const std::vector<uint32_t>& hostAddresses);

// Every IPv4 address of this host's interfaces, network byte order.
std::vector<uint32_t> hostAddresses();

}  // namespace cli

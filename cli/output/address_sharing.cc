#include "cli/output/address_sharing.h"

#include <algorithm>

#include "net/host_interfaces.h"
#include "net/interface_link.h"

namespace cli {

namespace {

// Each link has its own addresses: cameras heard on different links share
// nothing. A view without an adapter may be on any link.
bool sameLink(const CameraView& a, const CameraView& b) {
  return !a.adapter || !b.adapter || net::sameLink(a.adapter->name, b.adapter->name);
}

}  // namespace

std::vector<AddressSharing> addressSharing(const std::vector<CameraView>& cameras,
                                           const std::vector<uint32_t>& hostAddresses) {
  std::vector<AddressSharing> sharing(cameras.size());
  for (size_t i = 0; i < cameras.size(); ++i) {
    const CameraView& camera = cameras[i];
    if (camera.ip == 0) continue;
    sharing[i].hostAddress =
        std::find(hostAddresses.begin(), hostAddresses.end(), camera.ip) != hostAddresses.end();
    std::vector<net::Mac>& others = sharing[i].sharesWith;
    for (const CameraView& other : cameras) {
      const bool sameAddress =
          other.ip == camera.ip && other.mac != camera.mac && sameLink(other, camera);
      if (sameAddress && std::find(others.begin(), others.end(), other.mac) == others.end()) {
        others.push_back(other.mac);
      }
    }
  }
  return sharing;
}

void noteSharing(std::vector<CameraView>& cameras, const std::vector<uint32_t>& hostAddresses) {
  const std::vector<AddressSharing> sharing = addressSharing(cameras, hostAddresses);
  for (size_t i = 0; i < cameras.size(); ++i) {
    cameras[i].sharesAddressWith = sharing[i].sharesWith;
    cameras[i].hostAddress = sharing[i].hostAddress;
  }
}

std::vector<uint32_t> hostAddresses() {
  std::vector<uint32_t> addresses;
  for (const net::HostInterface& entry : net::listHostInterfaces()) {
    for (const net::InterfaceAddress& address : entry.addresses) addresses.push_back(address.ip);
  }
  return addresses;
}

}  // namespace cli

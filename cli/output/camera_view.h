// CameraView: one camera as the command line shows it, built from a discovery
// record or from the registers read by show. Addresses in network byte order;
// camera text as the camera sent it (renderers make it safe). Pure.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/camera_settings.h"
#include "gvcp/camera_info.h"
#include "net/adaptor.h"
#include "net/macaddress.h"

namespace cli {

struct AdapterView {
  std::string name;
  uint32_t ip = 0;
  uint32_t mask = 0;
};

struct CameraView {
  net::Mac mac{};
  uint32_t ip = 0;
  uint32_t mask = 0;
  uint32_t gateway = 0;
  std::optional<AdapterView> adapter;
  device::CameraIdentity identity;
  uint32_t ipConfigSupported = 0;
  uint32_t ipConfigCurrent = 0;
  bool reachable = false;
  // The other cameras answering at this address, and whether it is one of
  // this host's own (filled where the command knows: cli/output/address_sharing.h).
  std::vector<net::Mac> sharesAddressWith;
  bool hostAddress = false;
};

AdapterView adapterView(const Adaptor& adaptor);
CameraView viewOf(const GigE_Camera_Info& camera);
// `adapter` is the one whose subnet holds the camera's address, if any.
CameraView viewOf(const device::CameraSettings& settings,
                  const std::optional<AdapterView>& adapter);

// True when `ip` is not 0.0.0.0 and lies in the subnet of `adapter`.
bool inSubnet(uint32_t ip, const AdapterView& adapter);

// The order of list: by adapter name, then numerically by address, then MAC.
// Both cameras must have an adapter (discovery records do).
bool listOrder(const CameraView& a, const CameraView& b);

}  // namespace cli

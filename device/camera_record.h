// CameraRecord: one read of a camera, built from a discovery record or from
// the registers read by a lookup's target: MAC, addresses, the adapter whose
// subnet holds it, identity, IP configuration bits and who shares its
// address. Addresses in network byte order; camera text as the camera sent
// it (front ends make it safe). Plain values; pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/camera_settings.h"
#include "gvcp/camera_info.h"
#include "net/adaptor.h"
#include "net/macaddress.h"

namespace device {

struct AdapterRecord {
  std::string name;
  uint32_t ip = 0;
  uint32_t mask = 0;
};

struct CameraRecord {
  net::Mac mac{};
  uint32_t ip = 0;
  uint32_t mask = 0;
  uint32_t gateway = 0;
  std::optional<AdapterRecord> adapter;
  CameraIdentity identity;
  uint32_t ipConfigSupported = 0;
  uint32_t ipConfigCurrent = 0;
  bool reachable = false;
  // The other cameras answering at this address, and whether it is one of
  // this host's own (filled where the caller knows: device/address_sharers.h).
  std::vector<net::Mac> sharesAddressWith;
  bool hostAddress = false;
};

AdapterRecord adapterRecord(const Adaptor& adaptor);
CameraRecord recordOf(const GigE_Camera_Info& camera);
// `adapter` is the one whose subnet holds the camera's address, if any.
CameraRecord recordOf(const CameraSettings& settings, const std::optional<AdapterRecord>& adapter);

// True when `ip` is not 0.0.0.0 and lies in the subnet of `adapter`.
bool inSubnet(uint32_t ip, const AdapterRecord& adapter);

// The order of list: by adapter name, then numerically by address, then MAC.
// Both cameras must have an adapter (discovery records do).
bool listOrder(const CameraRecord& a, const CameraRecord& b);

}  // namespace device

// CameraRecord: one read of a camera, built from a discovery record or from
// the registers read by a lookup's target: MAC, addresses, the adapter whose
// subnet holds it, identity, IP configuration bits and who shares its
// address. Addresses as net::Ipv4; camera text as the camera sent it (front
// ends make it safe). Plain values; pure functions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/camera_settings.h"
#include "gvcp/camera_info.h"
#include "net/adaptor.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace device {

struct AdapterRecord {
  std::string name;
  net::Ipv4 ip;
  net::Ipv4 mask;
};

struct CameraRecord {
  net::Mac mac{};
  net::Ipv4 ip;
  net::Ipv4 mask;
  net::Ipv4 gateway;
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

// True when `ip` is not 0.0.0.0 and lies in the subnet of `adapter`, which
// has an address.
bool inSubnet(net::Ipv4 ip, const AdapterRecord& adapter);

// The order of list: by adapter name, then numerically by address, then MAC.
// Both cameras must have an adapter (discovery records do).
bool listOrder(const CameraRecord& a, const CameraRecord& b);

}  // namespace device

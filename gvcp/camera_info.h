// GigE_Camera_Info: one discovered camera, decoded from a DISCOVERY_ACK, with
// the source address its answer came from, the adapter it arrived on and
// which reception saw it. Version, mode and IP-configuration words are host
// order; the addresses stay in network byte order. The source address is kept
// both as the text the dialogue prints and as a number.
#pragma once

#include <cstdint>
#include <string>

#include "net/adaptor.h"
#include "net/ipv4.h"

struct GigE_Camera_Info {
  uint32_t specVersion = 0;
  uint32_t deviceMode = 0;
  std::string cameraMac;
  unsigned char cameraMacHw[6] = {};
  uint32_t ipConfigOptions = 0;
  uint32_t ipConfigCurrent = 0;
  uint32_t currentIp = 0;
  uint32_t currentSubnetMask = 0;
  uint32_t defaultGateway = 0;
  std::string manufacturerName;
  std::string modelName;
  std::string deviceVersion;
  std::string manufacturerInfo;
  std::string serialNumber;
  std::string userDefinedName;
  std::string cameraIp;
  uint32_t sourceIp = 0;  // cameraIp as a number, network byte order
  Adaptor adaptor{0u};
  // Which receptions took an answer of the camera: the link-level capture,
  // ordinary UDP reception, or both when a discovery listens both ways.
  bool seenAtLinkLevel = false;
  bool seenByUdp = false;
};

// Payload offsets of a DISCOVERY_ACK (after the 8-byte acknowledge header).
namespace gvcp {
struct DiscoveryAck {
  static constexpr size_t kSpecVersion = 0;
  static constexpr size_t kDeviceMode = 4;
  static constexpr size_t kMac = 10;
  static constexpr size_t kIpConfigOptions = 16;
  static constexpr size_t kIpConfigCurrent = 20;
  static constexpr size_t kCurrentIp = 36;
  static constexpr size_t kCurrentSubnetMask = 52;
  static constexpr size_t kDefaultGateway = 68;
  static constexpr size_t kManufacturerName = 72;
  static constexpr size_t kModelName = 104;
  static constexpr size_t kDeviceVersion = 136;
  static constexpr size_t kManufacturerInfo = 168;
  static constexpr size_t kSerialNumber = 216;
  static constexpr size_t kUserDefinedName = 232;
  static constexpr size_t kManufacturerNameLen = 32;
  static constexpr size_t kModelNameLen = 32;
  static constexpr size_t kDeviceVersionLen = 32;
  static constexpr size_t kManufacturerInfoLen = 48;
  static constexpr size_t kSerialNumberLen = 16;
  static constexpr size_t kUserDefinedNameLen = 16;
};

// Decodes the 256 bytes of a DISCOVERY_ACK (header included; status and length
// are not consulted) into a record carrying `source` (the address it came
// from, as number and text) and a copy of `adaptor`.
GigE_Camera_Info decodeDiscoveryAck(const uint8_t* ack, net::Ipv4 source, const Adaptor& adaptor);

// True when `a` and `b` are records of one device: the same MAC, and for the
// all-zero MAC (which several devices report) also the same source address
// and serial number (two such devices on one factory address differ there).
bool sameDevice(const GigE_Camera_Info& a, const GigE_Camera_Info& b);

// True when the address the camera answered from is not 0.0.0.0 and lies in
// the subnet of the adapter its answer arrived on: unicast reaches it there.
bool answersInAdapterSubnet(const GigE_Camera_Info& camera);

}  // namespace gvcp

#include "gvcp/camera_info.h"

#include <cstring>

#include "gvcp/camera_text.h"
#include "gvcp/gvcp_protocol.h"
#include "net/ipv4.h"

GigE_Camera_Info gvcp::decodeDiscoveryAck(const uint8_t* ack, net::Ipv4 source,
                                          const Adaptor& adaptor) {
  using d = gvcp::DiscoveryAck;
  const uint8_t* p = ack + gvcp::kHeaderSize;
  GigE_Camera_Info info;
  info.specVersion = gvcp::getBe32(p + d::kSpecVersion);
  info.deviceMode = gvcp::getBe32(p + d::kDeviceMode);
  std::memcpy(info.cameraMacHw, p + d::kMac, sizeof info.cameraMacHw);
  MacAddress mac;
  mac.setMac(info.cameraMacHw, MacAddress::kSize);
  info.cameraMac = mac.getMacInStr(true);
  info.ipConfigOptions = gvcp::getBe32(p + d::kIpConfigOptions);
  info.ipConfigCurrent = gvcp::getBe32(p + d::kIpConfigCurrent);
  std::memcpy(&info.currentIp, p + d::kCurrentIp, 4);
  std::memcpy(&info.currentSubnetMask, p + d::kCurrentSubnetMask, 4);
  std::memcpy(&info.defaultGateway, p + d::kDefaultGateway, 4);
  info.manufacturerName = gvcp::textField(p + d::kManufacturerName, d::kManufacturerNameLen);
  info.modelName = gvcp::textField(p + d::kModelName, d::kModelNameLen);
  info.deviceVersion = gvcp::textField(p + d::kDeviceVersion, d::kDeviceVersionLen);
  info.manufacturerInfo = gvcp::textField(p + d::kManufacturerInfo, d::kManufacturerInfoLen);
  info.serialNumber = gvcp::textField(p + d::kSerialNumber, d::kSerialNumberLen);
  info.userDefinedName = gvcp::textField(p + d::kUserDefinedName, d::kUserDefinedNameLen);
  info.cameraIp = source.text();
  info.sourceIp = source.network();
  info.adaptor = adaptor;
  return info;
}

bool gvcp::sameDevice(const GigE_Camera_Info& a, const GigE_Camera_Info& b) {
  static constexpr unsigned char kNoMac[sizeof a.cameraMacHw] = {};
  if (std::memcmp(a.cameraMacHw, b.cameraMacHw, sizeof a.cameraMacHw) != 0) return false;
  return std::memcmp(a.cameraMacHw, kNoMac, sizeof kNoMac) != 0 ||
         (a.sourceIp == b.sourceIp && a.serialNumber == b.serialNumber);
}

bool gvcp::answersInAdapterSubnet(const GigE_Camera_Info& camera) {
  return camera.adaptor.subnetHolds(camera.sourceIp);
}

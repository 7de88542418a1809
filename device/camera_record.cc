#include "device/camera_record.h"

#include <algorithm>
#include <tuple>

#include "net/address_set.h"

namespace device {

AdapterRecord adapterRecord(const Adaptor& adaptor) {
  return {adaptor.getName(), adaptor.address(), adaptor.mask()};
}

bool inSubnet(net::Ipv4 ip, const AdapterRecord& adapter) {
  return !ip.isZero() && !adapter.ip.isZero() &&
         net::networkOf(ip, adapter.mask) == net::networkOf(adapter.ip, adapter.mask);
}

CameraRecord recordOf(const GigE_Camera_Info& camera) {
  CameraRecord record;
  std::copy(std::begin(camera.cameraMacHw), std::end(camera.cameraMacHw), record.mac.begin());
  // The address the camera answered from is the one it can be reached at.
  record.ip = net::Ipv4::fromNetwork(camera.sourceIp);
  record.mask = net::Ipv4::fromNetwork(camera.currentSubnetMask);
  record.gateway = net::Ipv4::fromNetwork(camera.defaultGateway);
  record.adapter = adapterRecord(camera.adaptor);
  record.identity = {camera.manufacturerName, camera.modelName,    camera.deviceVersion,
                     camera.manufacturerInfo, camera.serialNumber, camera.userDefinedName};
  record.ipConfigSupported = camera.ipConfigOptions;
  record.ipConfigCurrent = camera.ipConfigCurrent;
  record.reachable = gvcp::answersInAdapterSubnet(camera);
  return record;
}

CameraRecord recordOf(const CameraSettings& s, const std::optional<AdapterRecord>& adapter) {
  CameraRecord record;
  record.mac = s.mac;
  record.ip = s.current.ip;
  record.mask = s.current.mask;
  record.gateway = s.current.gateway;
  record.adapter = adapter;
  record.identity = s.identity;
  record.ipConfigSupported = s.ipConfigSupported;
  record.ipConfigCurrent = s.ipConfigCurrent;
  record.reachable = adapter.has_value() && inSubnet(record.ip, *adapter);
  return record;
}

bool listOrder(const CameraRecord& a, const CameraRecord& b) {
  return std::make_tuple(a.adapter->name, a.ip, a.mac) <
         std::make_tuple(b.adapter->name, b.ip, b.mac);
}

}  // namespace device

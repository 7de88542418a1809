#include "device/camera_record.h"

#include <arpa/inet.h>

#include <algorithm>
#include <tuple>

namespace device {

AdapterRecord adapterRecord(const Adaptor& adaptor) {
  return {adaptor.getName(), adaptor.ipValue(), adaptor.netmaskValue()};
}

// The adapter's own subnet test, on an adapter made from the record's values.
bool inSubnet(uint32_t ip, const AdapterRecord& adapter) {
  return Adaptor(adapter.name, MacAddress(), adapter.ip, adapter.mask).subnetHolds(ip);
}

CameraRecord recordOf(const GigE_Camera_Info& camera) {
  CameraRecord record;
  std::copy(std::begin(camera.cameraMacHw), std::end(camera.cameraMacHw), record.mac.begin());
  // The address the camera answered from is the one it can be reached at.
  record.ip = camera.sourceIp;
  record.mask = camera.currentSubnetMask;
  record.gateway = camera.defaultGateway;
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
  record.ip = htonl(s.current.ip);
  record.mask = htonl(s.current.mask);
  record.gateway = htonl(s.current.gateway);
  record.adapter = adapter;
  record.identity = s.identity;
  record.ipConfigSupported = s.ipConfigSupported;
  record.ipConfigCurrent = s.ipConfigCurrent;
  record.reachable = adapter.has_value() && inSubnet(record.ip, *adapter);
  return record;
}

bool listOrder(const CameraRecord& a, const CameraRecord& b) {
  return std::make_tuple(a.adapter->name, ntohl(a.ip), a.mac) <
         std::make_tuple(b.adapter->name, ntohl(b.ip), b.mac);
}

}  // namespace device

#include "cli/output/camera_view.h"

#include <arpa/inet.h>

#include <algorithm>
#include <tuple>

namespace cli {

AdapterView adapterView(const Adaptor& adaptor) {
  return {adaptor.getName(), adaptor.ipValue(), adaptor.netmaskValue()};
}

bool inSubnet(uint32_t ip, const AdapterView& adapter) {
  return ip != 0 && adapter.ip != 0 && (ip & adapter.mask) == (adapter.ip & adapter.mask);
}

CameraView viewOf(const GigE_Camera_Info& camera) {
  CameraView view;
  std::copy(std::begin(camera.cameraMacHw), std::end(camera.cameraMacHw), view.mac.begin());
  // The address the camera answered from is the one it can be reached at.
  view.ip = camera.sourceIp;
  view.mask = camera.currentSubnetMask;
  view.gateway = camera.defaultGateway;
  view.adapter = adapterView(camera.adaptor);
  view.identity = {camera.manufacturerName, camera.modelName,    camera.deviceVersion,
                   camera.manufacturerInfo, camera.serialNumber, camera.userDefinedName};
  view.ipConfigSupported = camera.ipConfigOptions;
  view.ipConfigCurrent = camera.ipConfigCurrent;
  view.reachable = gvcp::answersInAdapterSubnet(camera);
  return view;
}

CameraView viewOf(const device::CameraSettings& s, const std::optional<AdapterView>& adapter) {
  CameraView view;
  view.mac = s.mac;
  view.ip = htonl(s.current.ip);
  view.mask = htonl(s.current.mask);
  view.gateway = htonl(s.current.gateway);
  view.adapter = adapter;
  view.identity = s.identity;
  view.ipConfigSupported = s.ipConfigSupported;
  view.ipConfigCurrent = s.ipConfigCurrent;
  view.reachable = adapter.has_value() && inSubnet(view.ip, *adapter);
  return view;
}

bool listOrder(const CameraView& a, const CameraView& b) {
  return std::make_tuple(a.adapter->name, ntohl(a.ip), a.mac) <
         std::make_tuple(b.adapter->name, ntohl(b.ip), b.mac);
}

}  // namespace cli

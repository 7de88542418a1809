#include "device/camera_selector.h"

#include <algorithm>
#include <cstring>

namespace device {

namespace {

bool matches(const Selector& s, const GigE_Camera_Info& camera) {
  switch (s.kind) {
    case Selector::Kind::kMac:
      return std::memcmp(camera.cameraMacHw, s.mac.data(), s.mac.size()) == 0;
    case Selector::Kind::kAddress:
      return net::Ipv4::fromNetwork(camera.sourceIp) == s.ip;
    case Selector::Kind::kName:
      return camera.serialNumber == s.text || camera.userDefinedName == s.text;
  }
  return false;
}

}  // namespace

std::vector<GigE_Camera_Info> matchCameras(const Selector& selector,
                                           const std::vector<GigE_Camera_Info>& cameras) {
  std::vector<GigE_Camera_Info> found;
  for (const GigE_Camera_Info& camera : cameras) {
    if (!matches(selector, camera)) continue;
    const auto known = std::find_if(found.begin(), found.end(), [&](const GigE_Camera_Info& f) {
      return gvcp::sameDevice(f, camera);
    });
    if (known == found.end()) {
      found.push_back(camera);
    } else if (!gvcp::answersInAdapterSubnet(*known) && gvcp::answersInAdapterSubnet(camera)) {
      *known = camera;  // the record unicast reaches the camera through
    }
  }
  return found;
}

}  // namespace device

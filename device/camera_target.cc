#include "device/camera_target.h"

#include <algorithm>

#include "device/fault.h"

namespace device {

CameraTarget targetOf(const GigE_Camera_Info& camera) {
  CameraTarget target{
      net::Ipv4::fromNetwork(camera.sourceIp), camera.adaptor, {}, camera.adaptor.getName(), {}};
  std::copy(std::begin(camera.cameraMacHw), std::end(camera.cameraMacHw), target.mac.begin());
  target.serial = camera.serialNumber;
  return target;
}

SessionTarget sessionTarget(const CameraTarget& target) {
  return {target.ip, target.interface, target.mac, target.capabilities};
}

std::unique_ptr<Camera> openCamera(net::Ipv4 ip, uint16_t port, const std::string& interface) {
  auto camera = std::make_unique<Camera>(ip.network(), port);
  camera->setAckWait(gvcp::AckWait::kPerAttempt);
  camera->bindToInterface(interface);
  return camera;
}

std::unique_ptr<Camera> openCamera(const CameraTarget& target) {
  return openCamera(target.ip, gvcp::kPort, target.interface);
}

gvcp::Status readTarget(const CameraTarget& target, CameraSettings& settings) {
  const std::unique_ptr<Camera> camera = openCamera(target);
  const gvcp::Status read = readCameraSettings(*camera, settings, target.capabilities);
  if (!read.ok() || settings.mac == target.mac) return read;
  return fault(Fault::kFailed, "the device answering there is " + net::macText(settings.mac) +
                                   ", not " + net::macText(target.mac) + "; nothing was written");
}

}  // namespace device

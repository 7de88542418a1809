#include "device/camera_settings.h"

#include <vector>

#include "device/register_reads.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"

namespace device {

namespace {

gvcp::Status readText(Camera& camera, uint32_t address, int width, std::string& text) {
  std::vector<uint8_t> field(static_cast<size_t>(width));
  const gvcp::Status status = readMemory(camera, address, field);
  if (status.ok()) text = textField(field.data(), field.size());
  return status;
}

gvcp::Status readTriple(Camera& camera, uint32_t ip, uint32_t mask, uint32_t gateway,
                        IpTriple& triple) {
  const std::pair<uint32_t, uint32_t*> reads[] = {
      {ip, &triple.ip}, {mask, &triple.mask}, {gateway, &triple.gateway}};
  for (const auto& [address, value] : reads) {
    if (gvcp::Status s = readRegister(camera, address, *value); !s.ok()) return s;
  }
  return gvcp::Status::Ok();
}

// An optional text field, read only where the capability bit says it exists.
// A camera that refuses the read despite the bit has no such field to show:
// absent, as on a camera without the register. Silence still fails the read,
// since it says nothing about the register and everything about the camera.
gvcp::Status readOptionalText(Camera& camera, uint32_t capabilities, uint32_t bit, uint32_t address,
                              int width, std::optional<std::string>& text) {
  text.reset();
  if ((capabilities & bit) == 0) return gvcp::Status::Ok();
  std::string read;
  const gvcp::Status status = readText(camera, address, width, read);
  if (status.ok()) text = std::move(read);
  return status.isCameraStatus() ? gvcp::Status::Ok() : status;
}

gvcp::Status readIdentity(Camera& camera, CameraSettings& settings) {
  CameraIdentity& s = settings.identity;
  const std::pair<uint32_t, std::pair<int, std::string*>> texts[] = {
      {reg::kManufacturerName, {reg::kManufacturerNameLen, &s.manufacturer}},
      {reg::kModelName, {reg::kModelNameLen, &s.model}},
      {reg::kDeviceVersion, {reg::kDeviceVersionLen, &s.deviceVersion}},
      {reg::kManufacturerInfo, {reg::kManufacturerInfoLen, &s.manufacturerInfo}},
  };
  for (const auto& [address, field] : texts) {
    if (gvcp::Status st = readText(camera, address, field.first, *field.second); !st.ok()) {
      return st;
    }
  }
  const uint32_t caps = settings.capabilities;
  if (gvcp::Status st = readOptionalText(camera, caps, reg::kCapSerialNumber, reg::kSerialNumber,
                                         reg::kSerialNumberLen, s.serial);
      !st.ok()) {
    return st;
  }
  if (gvcp::Status st =
          readOptionalText(camera, caps, reg::kCapUserDefinedName, reg::kUserDefinedName,
                           reg::kUserDefinedNameLen, s.userName);
      !st.ok()) {
    return st;
  }
  return readMac(camera, settings.mac);
}

gvcp::Status readWords(Camera& camera, CameraSettings& s) {
  const std::pair<uint32_t, uint32_t*> words[] = {{reg::kIpConfigSupported, &s.ipConfigSupported},
                                                  {reg::kIpConfigCurrent, &s.ipConfigCurrent},
                                                  {reg::kCcp, &s.ccp},
                                                  {reg::kHeartbeatTimeout, &s.heartbeatTimeoutMs}};
  for (const auto& [address, value] : words) {
    if (gvcp::Status st = readRegister(camera, address, *value); !st.ok()) return st;
  }
  return gvcp::Status::Ok();
}

}  // namespace

gvcp::Status readCameraSettings(Camera& camera, CameraSettings& s) {
  gvcp::Status st = readRegister(camera, reg::kGvcpCapability, s.capabilities);
  if (st.ok()) st = readIdentity(camera, s);
  if (st.ok()) {
    st = readTriple(camera, reg::kCurrentIp, reg::kCurrentSubnetMask, reg::kCurrentGateway,
                    s.current);
  }
  if (st.ok()) {
    st = readTriple(camera, reg::kPersistentIp, reg::kPersistentSubnetMask, reg::kPersistentGateway,
                    s.persistent);
  }
  if (st.ok()) st = readWords(camera, s);
  return st;
}

}  // namespace device

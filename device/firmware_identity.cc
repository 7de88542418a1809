#include "device/firmware_identity.h"

#include <vector>

#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"

namespace device {

namespace {

std::string readText(Camera& camera, uint32_t address, int width, bool& read) {
  std::vector<uint8_t> field(static_cast<size_t>(width), 0);
  read = camera.readmem(address, field.data(), width) == 0;
  return textField(field.data(), field.size());
}

}  // namespace

FirmwareIdentity readFirmwareIdentity(Camera& camera) {
  FirmwareIdentity identity;
  bool infoRead = false;
  identity.model = readText(camera, reg::kModelName, reg::kModelNameLen, identity.modelRead);
  identity.version =
      readText(camera, reg::kDeviceVersion, reg::kDeviceVersionReadLen, identity.versionRead);
  identity.info =
      readText(camera, reg::kManufacturerInfo, reg::kManufacturerInfoFwReadLen, infoRead);
  return identity;
}

}  // namespace device

#include "fwupdate/firmware_steps.h"

#include <vector>

#include "gvcp/camera_text.h"
#include "gvcp/registers.h"

namespace {

constexpr size_t kMaxPrefixLength = 31;

std::string readText(Camera& camera, uint32_t address, int width, bool& read) {
  std::vector<uint8_t> field(static_cast<size_t>(width), 0);
  read = camera.readmem(address, field.data(), width) == 0;
  return textField(field.data(), field.size());
}

}  // namespace

FirmwareIdentity readFirmwareIdentity(Camera& camera) {
  FirmwareIdentity identity;
  bool infoRead = false;
  identity.model = readText(camera, gvcp::Registers::kModelName, gvcp::Registers::kModelNameLen,
                            identity.modelRead);
  identity.version = readText(camera, gvcp::Registers::kDeviceVersion,
                              gvcp::Registers::kDeviceVersionReadLen, identity.versionRead);
  identity.info = readText(camera, gvcp::Registers::kManufacturerInfo,
                           gvcp::Registers::kManufacturerInfoFwReadLen, infoRead);
  return identity;
}

std::string_view firmwarePrefix(std::string_view fileName) {
  const size_t last = fileName.rfind('_');
  if (last == std::string_view::npos) return fileName;
  const size_t before = last == 0 ? std::string_view::npos : fileName.rfind('_', last - 1);
  return fileName.substr(0, before == std::string_view::npos ? last : before);
}

bool firmwareFitsModel(std::string_view fileName, std::string_view modelName) {
  const std::string_view prefix = firmwarePrefix(fileName);
  return prefix.size() <= kMaxPrefixLength && prefix == modelName;
}

bool imageFitsCamera(const FirmwareIdentity& identity, std::string_view fileName) {
  return identity.modelRead && firmwareFitsModel(fileName, identity.model);
}

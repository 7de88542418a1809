#include "fwupdate/firmware_steps.h"

namespace {

constexpr size_t kMaxPrefixLength = 31;

}  // namespace

std::string wholeSeconds(std::chrono::steady_clock::duration bound) {
  return std::to_string(std::chrono::ceil<std::chrono::seconds>(bound).count());
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

bool imageFitsCamera(const device::FirmwareIdentity& identity, std::string_view fileName) {
  return identity.modelRead && firmwareFitsModel(fileName, identity.model);
}

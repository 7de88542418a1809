#include "device/register_reads.h"

#include <cstdio>
#include <string>
#include <vector>

#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"

namespace device {

namespace {

std::string at(const char* what, uint32_t address) {
  char text[48];
  std::snprintf(text, sizeof text, "%s 0x%04X", what, address);
  return text;
}

std::string readText(Camera& camera, uint32_t address, size_t width, bool& read) {
  std::vector<uint8_t> field(width, 0);
  read = readMemory(camera, address, field).ok();
  return gvcp::textField(field.data(), field.size());
}

}  // namespace

gvcp::Status readRegister(Camera& camera, uint32_t address, uint32_t& value) {
  unsigned read = 0;
  const int result = camera.readreg(address, &read);
  if (result == 0) value = read;
  return gvcp::Status::FromExchange(result, at("reading register", address));
}

gvcp::Status readRegisters(Camera& camera, uint32_t capabilities,
                           std::span<const RegisterRead> reads) {
  if ((capabilities & gvcp::Registers::kCapConcatenation) != 0 && reads.size() > 1) {
    std::vector<uint32_t> addresses;
    for (const auto& [address, value] : reads) addresses.push_back(address);
    std::vector<uint32_t> values(reads.size());
    const gvcp::Status read = gvcp::Status::FromExchange(
        camera.readregs(addresses, values), at("reading registers from", addresses.front()));
    if (read.ok()) {
      for (size_t i = 0; i < reads.size(); ++i) *reads[i].second = values[i];
    }
    if (!read.isCameraStatus()) return read;
  }
  for (const auto& [address, value] : reads) {
    if (gvcp::Status read = readRegister(camera, address, *value); !read.ok()) return read;
  }
  return gvcp::Status::Ok();
}

gvcp::Status readMemory(Camera& camera, uint32_t address, std::span<uint8_t> field) {
  const int result = camera.readmem(address, field.data(), static_cast<int>(field.size()));
  return gvcp::Status::FromExchange(result, at("reading memory at", address));
}

gvcp::Status readMac(Camera& camera, net::Mac& mac, uint32_t capabilities) {
  uint32_t high = 0;
  uint32_t low = 0;
  const RegisterRead reads[] = {{gvcp::Registers::kDeviceMacHigh, &high},
                                {gvcp::Registers::kDeviceMacLow, &low}};
  const gvcp::Status read = readRegisters(camera, capabilities, reads);
  if (read.ok()) mac = macOf(high, low);
  return read;
}

net::Mac macOf(uint32_t high, uint32_t low) {
  net::Mac mac{};
  mac[0] = static_cast<uint8_t>(high >> 8);
  mac[1] = static_cast<uint8_t>(high);
  for (int i = 0; i < 4; ++i) mac[2 + i] = static_cast<uint8_t>(low >> (24 - 8 * i));
  return mac;
}

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

}  // namespace device

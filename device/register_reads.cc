#include "device/register_reads.h"

#include <cstdio>
#include <string>

#include "gvcp/camera.h"
#include "gvcp/registers.h"

namespace device {

namespace {

std::string at(const char* what, uint32_t address) {
  char text[48];
  std::snprintf(text, sizeof text, "%s 0x%04X", what, address);
  return text;
}

}  // namespace

gvcp::Status readRegister(Camera& camera, uint32_t address, uint32_t& value) {
  unsigned read = 0;
  const int result = camera.readreg(address, &read);
  if (result == 0) value = read;
  return gvcp::Status::FromExchange(result, at("reading register", address));
}

gvcp::Status readMemory(Camera& camera, uint32_t address, std::span<uint8_t> field) {
  const int result = camera.readmem(address, field.data(), static_cast<int>(field.size()));
  return gvcp::Status::FromExchange(result, at("reading memory at", address));
}

gvcp::Status readMac(Camera& camera, std::array<uint8_t, 6>& mac) {
  uint32_t high = 0;
  uint32_t low = 0;
  const gvcp::Status highRead = readRegister(camera, reg::kDeviceMacHigh, high);
  const gvcp::Status lowRead = readRegister(camera, reg::kDeviceMacLow, low);
  if (!highRead.ok()) return highRead;
  if (!lowRead.ok()) return lowRead;
  mac[0] = static_cast<uint8_t>(high >> 8);
  mac[1] = static_cast<uint8_t>(high);
  for (int i = 0; i < 4; ++i) mac[2 + i] = static_cast<uint8_t>(low >> (24 - 8 * i));
  return gvcp::Status::Ok();
}

}  // namespace device

#include "ipconfig/device_queries.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <optional>
#include <span>

#include "device/camera_control.h"
#include "device/register_reads.h"
#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/ip_config.h"
#include "gvcp/registers.h"
#include "net/ipv4address.h"
#include "net/macaddress.h"

namespace {

constexpr const char* kShortRule = "------------------";
constexpr const char* kLongRule = "-----------------------------";

// One register read; empty when it failed.
std::optional<uint32_t> readWord(Camera* camera, uint32_t address) {
  uint32_t value = 0;
  if (!device::readRegister(*camera, address, value).ok()) return std::nullopt;
  return value;
}

template <size_t N>
void printText(const char* format, const unsigned char (&field)[N]) {
  std::printf(format, gvcp::terminalSafe(gvcp::textField(field, N)).c_str());
}

template <size_t N>
void readText(Camera* camera, uint32_t address, unsigned char (&field)[N]) {
  device::readMemory(*camera, address, std::span<uint8_t>(field, N));
}

void printDeviceInfo(const DeviceInfo& info) {
  std::puts("\nDevice Infomation:");
  std::puts(kShortRule);
  printText("Model:            %s\n", info.modelName);
  printText("Manufacturer:     %s\n", info.manufacturer);
  printText("Serial No:        %s\n", info.serialNumber);
  printText("User Id:          %s\n", info.userId);
  printText("Firmware Info:    %s\n", info.firmwareInfo);
  printText("Firmware Version: %s\n", info.firmwareVersion);
  MacAddress mac;
  mac.setMac(info.mac, MacAddress::kSize);
  std::printf("Mac address:      %s\n", mac.getMacInStr(true).c_str());
}

int retrieveIpSet(Camera* camera, IPV4Set* set, bool print, const char* title, uint32_t ipRegister,
                  uint32_t maskRegister) {
  const std::optional<uint32_t> ip = readWord(camera, ipRegister);
  const std::optional<uint32_t> mask = readWord(camera, maskRegister);
  if (ip) set->ip = *ip;
  if (mask) set->mask = *mask;
  // A failed read shows as 0.0.0.0.
  if (print) printIpSetBlock(title, htonl(ip.value_or(0)), htonl(mask.value_or(0)));
  return 0;
}

int retrieveIpConfig(Camera* camera, bool print, const char* title, uint32_t address) {
  const std::optional<uint32_t> config = readWord(camera, address);
  if (!print) return 0;
  std::puts(title);
  std::puts(kLongRule);
  printIpConfigFlags(config);
  return 0;
}

}  // namespace

void printIpConfigFlags(std::optional<uint32_t> config) {
  for (const gvcp::IpConfigBit& entry : gvcp::kIpConfigBits) {
    std::printf("%-14s[%c]\n", entry.label, gvcp::ipConfigFlag(config, entry.bit));
  }
}

void printIpSetBlock(const char* title, uint32_t ip, uint32_t mask) {
  IpV4Address address;
  IpV4Address netmask;
  address.setAddress(ip);
  netmask.setAddress(mask);
  std::puts(title);
  std::puts(kLongRule);
  std::printf("Ip:          %s\n", address.getAddressInStr().c_str());
  std::printf("Subnet Mask: %s\n", netmask.getAddressInStr().c_str());
}

int retrieveDeviceInfo(Camera* camera, DeviceInfo* info, bool print) {
  readText(camera, gvcp::Registers::kModelName, info->modelName);
  readText(camera, gvcp::Registers::kManufacturerName, info->manufacturer);
  readText(camera, gvcp::Registers::kSerialNumber, info->serialNumber);
  readText(camera, gvcp::Registers::kUserDefinedName, info->userId);
  readText(camera, gvcp::Registers::kManufacturerInfo, info->firmwareInfo);
  readText(camera, gvcp::Registers::kDeviceVersion, info->firmwareVersion);
  std::array<uint8_t, MacAddress::kSize> mac{};
  if (device::readMac(*camera, mac).ok()) std::copy(mac.begin(), mac.end(), info->mac);
  if (print) printDeviceInfo(*info);
  return 0;
}

int retrieveCurrentIpSet(Camera* camera, IPV4Set* set, bool print) {
  return retrieveIpSet(camera, set, print, "\nCurrent IP Setting:", gvcp::Registers::kCurrentIp,
                       gvcp::Registers::kCurrentSubnetMask);
}

int retrievePersistentIpSet(Camera* camera, IPV4Set* set, bool print) {
  return retrieveIpSet(camera, set, print,
                       "\nPersistent Ip Setting:", gvcp::Registers::kPersistentIp,
                       gvcp::Registers::kPersistentSubnetMask);
}

int retrieveSupportedIpConfig(Camera* camera, bool print) {
  return retrieveIpConfig(camera, print,
                          "\nSupported IP Configuration:", gvcp::Registers::kIpConfigSupported);
}

int retrieveCurrentIpConfig(Camera* camera, bool print) {
  return retrieveIpConfig(camera, print,
                          "\nCurrent IP Configuration:", gvcp::Registers::kIpConfigCurrent);
}

int retrieveIpConfigAtOnce(Camera* camera, bool print) {
  const std::optional<uint32_t> supported = readWord(camera, gvcp::Registers::kIpConfigSupported);
  const std::optional<uint32_t> current = readWord(camera, gvcp::Registers::kIpConfigCurrent);
  if (!print) return 0;
  std::puts("\nIP Configuration:");
  std::puts(kShortRule);
  std::puts("               current\tsupported");
  for (const gvcp::IpConfigBit& entry : gvcp::kIpConfigBits) {
    std::printf("%-15s[%c]\t[%c]\n", entry.label, gvcp::ipConfigFlag(current, entry.bit),
                gvcp::ipConfigFlag(supported, entry.bit));
  }
  return 0;
}

int holdFor(device::CameraSession& session, const std::function<void(Camera&)>& work) {
  const gvcp::Status held = device::underControl(session, "", {}, [&](device::CameraSession& s) {
    work(s.camera());
    return gvcp::Status::Ok();
  });
  if (held.ok()) return 0;
  std::puts("CCP failed");
  return -1;
}

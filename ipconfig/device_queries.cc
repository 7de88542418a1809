#include "ipconfig/device_queries.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <span>

#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"
#include "ipconfig/register_reads.h"
#include "net/ipv4address.h"
#include "net/macaddress.h"

namespace {

constexpr const char* kShortRule = "------------------";
constexpr const char* kLongRule = "-----------------------------";

// One register read; a failed read gives 0, the value the blocks then show.
struct RegisterRead {
  uint32_t value = 0;
  bool ok = false;
};

RegisterRead readRegisterOrZero(Camera* camera, uint32_t address) {
  RegisterRead read;
  read.ok = readRegister(*camera, address, read.value).ok();
  return read;
}

char flagChar(unsigned int value, uint32_t bit) { return (value & bit) != 0 ? 'Y' : 'N'; }

template <size_t N>
void printText(const char* format, const unsigned char (&field)[N]) {
  std::printf(format, terminalSafe(textField(field, N)).c_str());
}

template <size_t N>
void readText(Camera* camera, uint32_t address, unsigned char (&field)[N]) {
  readMemory(*camera, address, std::span<uint8_t>(field, N));
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
  const RegisterRead ip = readRegisterOrZero(camera, ipRegister);
  const RegisterRead mask = readRegisterOrZero(camera, maskRegister);
  if (ip.ok) set->ip = ip.value;
  if (mask.ok) set->mask = mask.value;
  if (print) printIpSetBlock(title, htonl(ip.value), htonl(mask.value));
  return 0;
}

int retrieveIpConfig(Camera* camera, bool print, const char* title, uint32_t address) {
  const RegisterRead config = readRegisterOrZero(camera, address);
  if (!print) return 0;
  std::puts(title);
  std::puts(kLongRule);
  std::printf("Persistent IP [%c]\n", flagChar(config.value, reg::kIpConfigPersistent));
  std::printf("DHCP          [%c]\n", flagChar(config.value, reg::kIpConfigDhcp));
  std::printf("LLA           [%c]\n", flagChar(config.value, reg::kIpConfigLla));
  return 0;
}

}  // namespace

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
  readText(camera, reg::kModelName, info->modelName);
  readText(camera, reg::kManufacturerName, info->manufacturer);
  readText(camera, reg::kSerialNumber, info->serialNumber);
  readText(camera, reg::kUserDefinedName, info->userId);
  readText(camera, reg::kManufacturerInfo, info->firmwareInfo);
  readText(camera, reg::kDeviceVersion, info->firmwareVersion);
  std::array<uint8_t, MacAddress::kSize> mac{};
  if (readMac(*camera, mac).ok()) std::copy(mac.begin(), mac.end(), info->mac);
  if (print) printDeviceInfo(*info);
  return 0;
}

int retrieveCurrentIpSet(Camera* camera, IPV4Set* set, bool print) {
  return retrieveIpSet(camera, set, print, "\nCurrent IP Setting:", reg::kCurrentIp,
                       reg::kCurrentSubnetMask);
}

int retrievePersistentIpSet(Camera* camera, IPV4Set* set, bool print) {
  return retrieveIpSet(camera, set, print, "\nPersistent Ip Setting:", reg::kPersistentIp,
                       reg::kPersistentSubnetMask);
}

int retrieveSupportedIpConfig(Camera* camera, bool print) {
  return retrieveIpConfig(camera, print, "\nSupported IP Configuration:", reg::kIpConfigSupported);
}

int retrieveCurrentIpConfig(Camera* camera, bool print) {
  return retrieveIpConfig(camera, print, "\nCurrent IP Configuration:", reg::kIpConfigCurrent);
}

int retrieveIpConfigAtOnce(Camera* camera, bool print) {
  const RegisterRead supported = readRegisterOrZero(camera, reg::kIpConfigSupported);
  const RegisterRead current = readRegisterOrZero(camera, reg::kIpConfigCurrent);
  if (!print) return 0;
  std::puts("\nIP Configuration:");
  std::puts(kShortRule);
  std::puts("               current\tsupported");
  const char* const lines[] = {"Persistent IP  [%c]\t[%c]\n", "DHCP           [%c]\t[%c]\n",
                               "LLA            [%c]\t[%c]\n"};
  const uint32_t bits[] = {reg::kIpConfigPersistent, reg::kIpConfigDhcp, reg::kIpConfigLla};
  for (int i = 0; i < 3; ++i) {
    std::printf(lines[i], flagChar(current.value, bits[i]), flagChar(supported.value, bits[i]));
  }
  return 0;
}

#include "ipconfig/ip_reconfigure.h"

#include <arpa/inet.h>

#include <cctype>
#include <cstdio>
#include <map>
#include <string>

#include "device/camera_session.h"
#include "device/ip_config_writer.h"
#include "device/register_reads.h"
#include "gvcp/camera.h"
#include "gvcp/registers.h"
#include "ipconfig/console_input.h"
#include "ipconfig/device_queries.h"
#include "ipconfig/gige_ipconfig_helper.h"
#include "net/ipv4address.h"

namespace {

constexpr unsigned kPersistentMenuIndex = 1;

// Menu index to the whole value written to the current configuration register;
// LLA stays on in every choice.
const std::map<unsigned, unsigned> kProtocolTable = {
    {kPersistentMenuIndex, gvcp::Registers::kConfigPersistentLla},
    {2, gvcp::Registers::kConfigDhcpLla},
    {3, gvcp::Registers::kConfigLlaOnly},
};

std::optional<uint32_t> readConfiguration(Camera& camera) {
  uint32_t value = 0;
  if (!device::readRegister(camera, gvcp::Registers::kIpConfigCurrent, value).ok())
    return std::nullopt;
  return value;
}

void showCurrentSetting(const IPV4Set& set) {
  IpV4Address ip, mask;
  ip.setAddress(set.ip);
  mask.setAddress(set.mask);
  std::puts("\nCurrent IP Setting:");
  std::puts("-------------------");
  std::printf("Ip:          %s\n", ip.getAddressInStr().c_str());
  std::printf("Subnet Mask: %s\n", mask.getAddressInStr().c_str());
}

void showCurrentConfiguration(std::optional<uint32_t> config) {
  std::puts("\nCurrent IP Configuration:");
  std::puts("-------------------------");
  printIpConfigFlags(config);
}

void showMenu() {
  std::puts("\nWhich protocol do you want to use?");
  std::puts("----------------------------------");
  std::puts("Index  Protocol");
  std::puts(" [1]   Persistent");
  std::puts(" [2]   DHCP");
  std::puts(" [3]   LLA");
}

// The triple address, mask, gateway 0, noted in `stored`; success needs the
// first two writes. False at end of input, before anything is written.
bool storePersistentSet(Camera& camera, const IPV4Set& current, std::istream& in,
                        std::optional<IPV4Set>& stored) {
  std::puts("Do you want to use current IP setting as persistent ip setting?");
  const std::optional<bool> useCurrent = GoFurther(in);
  if (!useCurrent) return false;
  std::optional<IPV4Set> persistent = current;
  if (!*useCurrent) {
    persistent = promptNewIpv4Set("Input a valid ip address:", "Input a valid subnet mask:", in);
  }
  if (!persistent) return false;
  writePersistentSet(camera, *persistent);
  stored = persistent;
  return true;
}

bool writeConfiguration(Camera& camera, uint32_t value) {
  const device::WriteOutcome written = device::writeIpConfig(
      camera, device::ipConfigWrites({std::nullopt, value}), device::Verify::kNone);
  if (written.results[0] != 0) {
    std::puts("set configuration error");
    return false;
  }
  std::puts("set configuration succesfully");
  std::puts("Note: Camera needs to be restarted for the settings to take effect!");
  return true;
}

// Everything between taking and giving back control. False when the input
// ended at a prompt; nothing is written to the camera after that.
bool configureUnderControl(Camera& camera, const IPV4Set& set, bool showCurrent, std::istream& in,
                           const ConfigWritten& written) {
  if (showCurrent) showCurrentSetting(set);
  const std::optional<uint32_t> config = readConfiguration(camera);
  if (showCurrent) showCurrentConfiguration(config);
  showMenu();
  const std::optional<int> choice = promptChoice(
      "\nchoose one index to configure camera:", static_cast<int>(kProtocolTable.size()), in);
  if (!choice) return false;
  const unsigned index = static_cast<unsigned>(*choice);
  ConfigWrite write{config, kProtocolTable.find(index)->second, std::nullopt, false};
  if (index == kPersistentMenuIndex && !storePersistentSet(camera, set, in, write.persistent)) {
    return false;
  }
  write.ok = writeConfiguration(camera, write.written);
  if (written) written(write);
  return true;
}

}  // namespace

int tryToConnect(uint32_t ip, uint32_t /*mask*/, uint16_t port) {
  device::CameraSession session(net::Ipv4::fromNetwork(ip), device::libraryPolicy(port));
  return holdFor(session, [](Camera&) {});
}

std::optional<bool> GoFurther(std::istream& in) {
  writePrompt("enter [Yes] or [No]:");
  std::string line;
  while (readLine(in, line)) {
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (line == "yes") return true;
    if (line == "no") return false;
    writePrompt("invalid, enter again ");
  }
  return std::nullopt;
}

std::optional<IPV4Set> promptNewIpv4Set(const char* addressPrompt, const char* maskPrompt,
                                        std::istream& in) {
  IPV4Set typed;
  if (!promptIpv4(addressPrompt, in, &typed.ip)) return std::nullopt;
  if (!promptIpv4(maskPrompt, in, &typed.mask)) return std::nullopt;
  IpV4Address ip, mask;
  ip.setAddress(typed.ip);
  mask.setAddress(typed.mask);
  std::printf("new ip address:  %s\n", ip.getAddressInStr().c_str());
  std::printf("new subnet mask: %s\n", mask.getAddressInStr().c_str());
  return typed;
}

int replaceCurrentIpConfig(IPV4Set* set, bool showCurrent, std::istream& in, uint16_t port,
                           const ConfigWritten& written) {
  // The dialogue's hold: the heartbeat from the start, its timeout written
  // before the take.
  device::SessionPolicy policy = device::libraryPolicy(port);
  policy.heartbeat = true;
  policy.timeoutWrite = device::TimeoutWrite::kBeforeTake;
  device::CameraSession session(net::Ipv4::fromNetwork(set->ip), policy);
  return holdFor(session, [&](Camera& camera) {
    if (!configureUnderControl(camera, *set, showCurrent, in, written)) std::puts(kInputEndedLine);
  });
}

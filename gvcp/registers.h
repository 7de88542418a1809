// The camera registers and memory areas the system reads or writes, with the
// values it uses. Addresses are bootstrap registers of network interface 0,
// except the device-specific restart register. One map for every caller and for
// the camera simulator.
#pragma once

#include <cstdint>

namespace reg {

inline constexpr uint32_t kDeviceMacHigh = 0x0008;
inline constexpr uint32_t kDeviceMacLow = 0x000C;
inline constexpr uint32_t kIpConfigSupported = 0x0010;  // Network Interface Capability 0
inline constexpr uint32_t kIpConfigCurrent = 0x0014;    // Network Interface Configuration 0
inline constexpr uint32_t kCurrentIp = 0x0024;
inline constexpr uint32_t kCurrentSubnetMask = 0x0034;
inline constexpr uint32_t kCurrentGateway = 0x0044;

// Text areas read with READMEM, and the widths the system reads.
inline constexpr uint32_t kManufacturerName = 0x0048;
inline constexpr int kManufacturerNameLen = 32;
inline constexpr uint32_t kModelName = 0x0068;
inline constexpr int kModelNameLen = 32;
inline constexpr uint32_t kDeviceVersion = 0x0088;
inline constexpr int kDeviceVersionReadLen = 64;  // covers the 32-byte field and what follows
inline constexpr int kDeviceVersionLen = 32;      // the field itself
inline constexpr uint32_t kManufacturerInfo = 0x00A8;
inline constexpr int kManufacturerInfoLen = 48;
inline constexpr int kManufacturerInfoFwReadLen = 64;
inline constexpr uint32_t kSerialNumber = 0x00D8;
inline constexpr int kSerialNumberLen = 16;
inline constexpr uint32_t kUserDefinedName = 0x00E8;
inline constexpr int kUserDefinedNameLen = 16;

inline constexpr uint32_t kPersistentIp = 0x064C;
inline constexpr uint32_t kPersistentSubnetMask = 0x065C;
inline constexpr uint32_t kPersistentGateway = 0x066C;

inline constexpr uint32_t kHeartbeatTimeout = 0x0938;
inline constexpr uint32_t kHeartbeatTimeoutMs = 3000;  // three heartbeat intervals

inline constexpr uint32_t kCcp = 0x0A00;  // Control Channel Privilege
inline constexpr uint32_t kCcpExclusive = 0x1;
inline constexpr uint32_t kCcpControl = 0x2;
inline constexpr uint32_t kCcpTake = kCcpExclusive | kCcpControl;
inline constexpr uint32_t kCcpRelease = 0;

inline constexpr uint32_t kRebootRequest = 0xB0E8;  // device-specific
inline constexpr uint32_t kRebootMagic = 0xAFFE;

// Bits of the supported and current IP configuration registers.
inline constexpr uint32_t kIpConfigPersistent = 0x1;
inline constexpr uint32_t kIpConfigDhcp = 0x2;
inline constexpr uint32_t kIpConfigLla = 0x4;

// Whole values written to the current configuration register by the menu.
inline constexpr uint32_t kConfigPersistentLla = kIpConfigPersistent | kIpConfigLla;  // 0x5
inline constexpr uint32_t kConfigDhcpLla = kIpConfigDhcp | kIpConfigLla;              // 0x6
inline constexpr uint32_t kConfigLlaOnly = kIpConfigLla;                              // 0x4

}  // namespace reg

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

// Bootstrap registers a GenICam client reads when it opens a device.
inline constexpr uint32_t kVersion = 0x0000;     // major (high 16 bits) and minor version
inline constexpr uint32_t kDeviceMode = 0x0004;  // endianness, device class, character set
inline constexpr uint32_t kFirstUrl = 0x0200;    // where the device description lies
inline constexpr uint32_t kSecondUrl = 0x0400;
inline constexpr uint32_t kUrlLen = 512;
inline constexpr uint32_t kNetworkInterfaceCount = 0x0600;
inline constexpr uint32_t kMessageChannelCount = 0x0900;
inline constexpr uint32_t kStreamChannelCount = 0x0904;
inline constexpr uint32_t kGvcpCapability = 0x0934;
inline constexpr uint32_t kTimestampFrequencyHigh = 0x093C;  // ticks per second
inline constexpr uint32_t kTimestampFrequencyLow = 0x0940;
inline constexpr uint32_t kTimestampControl = 0x0944;  // write 2 to latch, 1 to reset
inline constexpr uint32_t kTimestampValueHigh = 0x0948;
inline constexpr uint32_t kTimestampValueLow = 0x094C;

// Optional bootstrap registers; the GVCP capability register says which a
// device has.
inline constexpr uint32_t kLinkSpeed = 0x0670;          // Mb/s of network interface 0
inline constexpr uint32_t kGvcpConfiguration = 0x0954;  // written by the controlling application
inline constexpr uint32_t kPendingTimeout = 0x0958;     // ms a command may take at most
inline constexpr uint32_t kPrimaryAppPort = 0x0A04;     // UDP port of the holder (low 16 bits)
inline constexpr uint32_t kPrimaryAppIp = 0x0A14;       // IPv4 address of the holder

// Bits of the GVCP capability register.
inline constexpr uint32_t kCapUserDefinedName = 0x80000000;
inline constexpr uint32_t kCapSerialNumber = 0x40000000;
inline constexpr uint32_t kCapLinkSpeed = 0x10000000;
inline constexpr uint32_t kCapPrimaryApp = 0x08000000;  // kPrimaryAppPort and kPrimaryAppIp
inline constexpr uint32_t kCapPendingAck = 0x00000020;
inline constexpr uint32_t kCapWriteMem = 0x00000002;
// Several addresses in one READREG or WRITEREG.
inline constexpr uint32_t kCapConcatenation = 0x00000001;

// Bit of the GVCP configuration register: the device may answer PENDING_ACK.
inline constexpr uint32_t kGvcpConfigPendingAck = 0x00000002;

// Pause-frame bits GigE Vision 2.0 devices carry in the supported and current
// IP configuration registers beside the mode bits.
inline constexpr uint32_t kIpConfigPauseReception = 0x80000000;
inline constexpr uint32_t kIpConfigPauseGeneration = 0x40000000;

}  // namespace reg

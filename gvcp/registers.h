// The camera registers and memory areas the system reads or writes, with the
// values it uses. Addresses are bootstrap registers of network interface 0,
// except the device-specific restart register. One map for every caller and for
// the camera simulator.
#pragma once

#include <cstdint>

namespace gvcp {

// The register map as one type: constants only.
struct Registers {
  static constexpr uint32_t kDeviceMacHigh = 0x0008;
  static constexpr uint32_t kDeviceMacLow = 0x000C;
  static constexpr uint32_t kIpConfigSupported = 0x0010;  // Network Interface Capability 0
  static constexpr uint32_t kIpConfigCurrent = 0x0014;    // Network Interface Configuration 0
  static constexpr uint32_t kCurrentIp = 0x0024;
  static constexpr uint32_t kCurrentSubnetMask = 0x0034;
  static constexpr uint32_t kCurrentGateway = 0x0044;

  // Text areas read with READMEM, and the widths the system reads.
  static constexpr uint32_t kManufacturerName = 0x0048;
  static constexpr int kManufacturerNameLen = 32;
  static constexpr uint32_t kModelName = 0x0068;
  static constexpr int kModelNameLen = 32;
  static constexpr uint32_t kDeviceVersion = 0x0088;
  static constexpr int kDeviceVersionReadLen = 64;  // covers the 32-byte field and what follows
  static constexpr int kDeviceVersionLen = 32;      // the field itself
  static constexpr uint32_t kManufacturerInfo = 0x00A8;
  static constexpr int kManufacturerInfoLen = 48;
  static constexpr int kManufacturerInfoFwReadLen = 64;
  static constexpr uint32_t kSerialNumber = 0x00D8;
  static constexpr int kSerialNumberLen = 16;
  static constexpr uint32_t kUserDefinedName = 0x00E8;
  static constexpr int kUserDefinedNameLen = 16;

  static constexpr uint32_t kPersistentIp = 0x064C;
  static constexpr uint32_t kPersistentSubnetMask = 0x065C;
  static constexpr uint32_t kPersistentGateway = 0x066C;

  static constexpr uint32_t kHeartbeatTimeout = 0x0938;
  static constexpr uint32_t kHeartbeatTimeoutMs = 3000;  // three heartbeat intervals

  static constexpr uint32_t kCcp = 0x0A00;  // Control Channel Privilege
  static constexpr uint32_t kCcpExclusive = 0x1;
  static constexpr uint32_t kCcpControl = 0x2;
  static constexpr uint32_t kCcpTake = kCcpExclusive | kCcpControl;
  static constexpr uint32_t kCcpRelease = 0;

  static constexpr uint32_t kRebootRequest = 0xB0E8;  // device-specific
  static constexpr uint32_t kRebootMagic = 0xAFFE;

  // Bits of the supported and current IP configuration registers.
  static constexpr uint32_t kIpConfigPersistent = 0x1;
  static constexpr uint32_t kIpConfigDhcp = 0x2;
  static constexpr uint32_t kIpConfigLla = 0x4;

  // Whole values written to the current configuration register by the menu.
  static constexpr uint32_t kConfigPersistentLla = kIpConfigPersistent | kIpConfigLla;  // 0x5
  static constexpr uint32_t kConfigDhcpLla = kIpConfigDhcp | kIpConfigLla;              // 0x6
  static constexpr uint32_t kConfigLlaOnly = kIpConfigLla;                              // 0x4

  // Bootstrap registers a GenICam client reads when it opens a device.
  static constexpr uint32_t kVersion = 0x0000;     // major (high 16 bits) and minor version
  static constexpr uint32_t kDeviceMode = 0x0004;  // endianness, device class, character set
  static constexpr uint32_t kFirstUrl = 0x0200;    // where the device description lies
  static constexpr uint32_t kSecondUrl = 0x0400;
  static constexpr uint32_t kUrlLen = 512;
  static constexpr uint32_t kNetworkInterfaceCount = 0x0600;
  static constexpr uint32_t kMessageChannelCount = 0x0900;
  static constexpr uint32_t kStreamChannelCount = 0x0904;
  static constexpr uint32_t kGvcpCapability = 0x0934;
  static constexpr uint32_t kTimestampFrequencyHigh = 0x093C;  // ticks per second
  static constexpr uint32_t kTimestampFrequencyLow = 0x0940;
  static constexpr uint32_t kTimestampControl = 0x0944;  // write 2 to latch, 1 to reset
  static constexpr uint32_t kTimestampValueHigh = 0x0948;
  static constexpr uint32_t kTimestampValueLow = 0x094C;

  // Optional bootstrap registers; the GVCP capability register says which a
  // device has.
  static constexpr uint32_t kLinkSpeed = 0x0670;          // Mb/s of network interface 0
  static constexpr uint32_t kGvcpConfiguration = 0x0954;  // written by the controlling application
  static constexpr uint32_t kPendingTimeout = 0x0958;     // ms a command may take at most
  static constexpr uint32_t kPrimaryAppPort = 0x0A04;     // UDP port of the holder (low 16 bits)
  static constexpr uint32_t kPrimaryAppIp = 0x0A14;       // IPv4 address of the holder

  // Bits of the GVCP capability register.
  static constexpr uint32_t kCapUserDefinedName = 0x80000000;
  static constexpr uint32_t kCapSerialNumber = 0x40000000;
  static constexpr uint32_t kCapLinkSpeed = 0x10000000;
  static constexpr uint32_t kCapPrimaryApp = 0x08000000;  // kPrimaryAppPort and kPrimaryAppIp
  static constexpr uint32_t kCapPendingAck = 0x00000020;
  static constexpr uint32_t kCapWriteMem = 0x00000002;
  // Several addresses in one READREG or WRITEREG.
  static constexpr uint32_t kCapConcatenation = 0x00000001;

  // Bit of the GVCP configuration register: the device may answer PENDING_ACK.
  static constexpr uint32_t kGvcpConfigPendingAck = 0x00000002;

  // Pause-frame bits GigE Vision 2.0 devices carry in the supported and current
  // IP configuration registers beside the mode bits.
  static constexpr uint32_t kIpConfigPauseReception = 0x80000000;
  static constexpr uint32_t kIpConfigPauseGeneration = 0x40000000;
};

}  // namespace gvcp

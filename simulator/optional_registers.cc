#include "simulator/optional_registers.h"

#include "gvcp/registers.h"

namespace sim {

uint32_t gvcpCapabilities(const Features& f) {
  uint32_t bits = gvcp::Registers::kCapWriteMem;
  if (f.concatenation) bits |= gvcp::Registers::kCapConcatenation;
  if (f.userName) bits |= gvcp::Registers::kCapUserDefinedName;
  if (f.serialNumber) bits |= gvcp::Registers::kCapSerialNumber;
  if (f.linkSpeedMbps) bits |= gvcp::Registers::kCapLinkSpeed;
  if (f.primaryApp) bits |= gvcp::Registers::kCapPrimaryApp;
  if (f.offersPendingAck()) bits |= gvcp::Registers::kCapPendingAck;
  return bits;
}

std::optional<uint32_t> optionalRegister(const DeviceState& s, uint32_t address) {
  const Features& f = s.features;
  const std::optional<Peer>& holder = s.control.holder;
  switch (address) {
    case gvcp::Registers::kLinkSpeed:
      return f.linkSpeedMbps;
    case gvcp::Registers::kPrimaryAppPort:
      if (f.primaryApp) return holder ? holder->port : 0;
      break;
    case gvcp::Registers::kPrimaryAppIp:
      if (f.primaryApp) return holder ? holder->ip : 0;
      break;
    case gvcp::Registers::kGvcpConfiguration:
      if (f.storeMs > 0) return s.control.gvcpConfig;
      break;
    case gvcp::Registers::kPendingTimeout:
      if (f.storeMs > 0) return f.storeMs;
      break;
  }
  return std::nullopt;
}

bool textAreaPresent(const Features& f, uint32_t areaAddress) {
  if (areaAddress == gvcp::Registers::kSerialNumber) return f.serialNumber;
  if (areaAddress == gvcp::Registers::kUserDefinedName) return f.userName;
  return true;
}

bool keptInFlash(uint32_t address) {
  switch (address) {
    case gvcp::Registers::kPersistentIp:
    case gvcp::Registers::kPersistentSubnetMask:
    case gvcp::Registers::kPersistentGateway:
    case gvcp::Registers::kIpConfigCurrent:
      return true;
    default:
      return address >= gvcp::Registers::kUserDefinedName &&
             address < gvcp::Registers::kUserDefinedName + gvcp::Registers::kUserDefinedNameLen;
  }
}

}  // namespace sim

#include "simulator/optional_registers.h"

#include "gvcp/registers.h"

namespace sim {

uint32_t gvcpCapabilities(const Features& f) {
  uint32_t bits = reg::kCapWriteMem;
  if (f.concatenation) bits |= reg::kCapConcatenation;
  if (f.userName) bits |= reg::kCapUserDefinedName;
  if (f.serialNumber) bits |= reg::kCapSerialNumber;
  if (f.linkSpeedMbps) bits |= reg::kCapLinkSpeed;
  if (f.primaryApp) bits |= reg::kCapPrimaryApp;
  if (f.offersPendingAck()) bits |= reg::kCapPendingAck;
  return bits;
}

std::optional<uint32_t> optionalRegister(const DeviceState& s, uint32_t address) {
  const Features& f = s.features;
  const std::optional<Peer>& holder = s.control.holder;
  switch (address) {
    case reg::kLinkSpeed:
      return f.linkSpeedMbps;
    case reg::kPrimaryAppPort:
      if (f.primaryApp) return holder ? holder->port : 0;
      break;
    case reg::kPrimaryAppIp:
      if (f.primaryApp) return holder ? holder->ip : 0;
      break;
    case reg::kGvcpConfiguration:
      if (f.storeMs > 0) return s.control.gvcpConfig;
      break;
    case reg::kPendingTimeout:
      if (f.storeMs > 0) return f.storeMs;
      break;
  }
  return std::nullopt;
}

bool textAreaPresent(const Features& f, uint32_t areaAddress) {
  if (areaAddress == reg::kSerialNumber) return f.serialNumber;
  if (areaAddress == reg::kUserDefinedName) return f.userName;
  return true;
}

bool keptInFlash(uint32_t address) {
  switch (address) {
    case reg::kPersistentIp:
    case reg::kPersistentSubnetMask:
    case reg::kPersistentGateway:
    case reg::kIpConfigCurrent:
      return true;
    default:
      return address >= reg::kUserDefinedName &&
             address < reg::kUserDefinedName + reg::kUserDefinedNameLen;
  }
}

}  // namespace sim

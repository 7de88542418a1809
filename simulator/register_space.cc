#include "simulator/register_space.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "simulator/device_description.h"
#include "simulator/optional_registers.h"

namespace sim {
namespace {

constexpr uint32_t kDeviceVersionLen = 32;  // the device's field; the tool reads on past it
constexpr uint32_t kMaxMemoryReadBytes = gvcp::kMaxAckPayload - 4;  // 4 for the echoed address
constexpr uint32_t kOneInterface = 1;
constexpr uint32_t kNoChannels = 0;               // sends no events and streams no images
constexpr uint64_t kTicksPerSecond = 1000000000;  // the timestamp counts nanoseconds
constexpr uint64_t kTicksPerMs = kTicksPerSecond / 1000;
constexpr uint32_t kTimestampReset = 0x1;
constexpr uint32_t kTimestampLatch = 0x2;

struct TextArea {
  uint32_t address;
  uint32_t width;
  std::string_view (*text)(const DeviceState&);
};

constexpr uint32_t wordsFor(size_t bytes) { return static_cast<uint32_t>((bytes + 3) / 4 * 4); }

const TextArea kTextAreas[] = {
    {reg::kManufacturerName, 32,
     [](const DeviceState& s) -> std::string_view { return s.identity.manufacturer; }},
    {reg::kModelName, 32,
     [](const DeviceState& s) -> std::string_view { return s.identity.model; }},
    {reg::kDeviceVersion, kDeviceVersionLen,
     [](const DeviceState& s) -> std::string_view { return s.identity.version; }},
    {reg::kManufacturerInfo, 48,
     [](const DeviceState& s) -> std::string_view { return s.identity.info; }},
    {reg::kSerialNumber, 16,
     [](const DeviceState& s) -> std::string_view { return s.identity.serial; }},
    {reg::kUserDefinedName, 16,
     [](const DeviceState& s) -> std::string_view { return s.persisted.userName; }},
    {reg::kFirstUrl, reg::kUrlLen,
     [](const DeviceState&) -> std::string_view { return descriptionUrl(); }},
    {reg::kSecondUrl, reg::kUrlLen, [](const DeviceState&) -> std::string_view { return {}; }},
    {kDescriptionAddress, wordsFor(deviceDescription().size()),
     [](const DeviceState&) -> std::string_view { return deviceDescription(); }},
};

const TextArea* textAreaAt(const DeviceState& state, uint32_t address) {
  for (const TextArea& area : kTextAreas) {
    if (address >= area.address && address < area.address + area.width)
      return textAreaPresent(state.features, area.address) ? &area : nullptr;
  }
  return nullptr;
}

// Four bytes of a text area starting at `address`: the text, then zeros.
uint32_t textWord(const DeviceState& state, const TextArea& area, uint32_t address) {
  const std::string_view text = area.text(state);
  uint32_t word = 0;
  for (uint32_t i = 0; i < 4; ++i) {
    const uint32_t offset = address - area.address + i;
    const uint8_t byte = offset < text.size() ? static_cast<uint8_t>(text[offset]) : 0;
    word = (word << 8) | byte;
  }
  return word;
}

uint32_t macHigh(const DeviceState& s) { return (uint32_t{s.mac[0]} << 8) | s.mac[1]; }
uint32_t macLow(const DeviceState& s) { return gvcp::getBe32(s.mac.data() + 2); }

std::optional<uint32_t> plainRegister(const DeviceState& s, uint32_t address) {
  switch (address) {
    case reg::kVersion:
      return kSpecVersion2_0;
    case reg::kDeviceMode:
      return kDeviceModeBigEndianTransmitter;
    case reg::kDeviceMacHigh:
      return macHigh(s);
    case reg::kDeviceMacLow:
      return macLow(s);
    case reg::kIpConfigSupported:
      return s.ipConfigSupported;
    case reg::kIpConfigCurrent:
      return s.persisted.ipConfig;
    case reg::kCurrentIp:
      return s.current.ip;
    case reg::kCurrentSubnetMask:
      return s.current.mask;
    case reg::kCurrentGateway:
      return s.current.gateway;
    case reg::kPersistentIp:
      return s.persisted.address.ip;
    case reg::kPersistentSubnetMask:
      return s.persisted.address.mask;
    case reg::kPersistentGateway:
      return s.persisted.address.gateway;
    case reg::kHeartbeatTimeout:
      return s.heartbeatTimeoutMs;
    case reg::kCcp:
      return s.control.ccp;
    case reg::kRebootRequest:
      return 0;  // write-only trigger; reads as 0
    case reg::kNetworkInterfaceCount:
      return kOneInterface;
    case reg::kMessageChannelCount:
    case reg::kStreamChannelCount:
      return kNoChannels;
    case reg::kGvcpCapability:
      return gvcpCapabilities(s.features);
    case reg::kTimestampFrequencyHigh:
      return static_cast<uint32_t>(kTicksPerSecond >> 32);
    case reg::kTimestampFrequencyLow:
      return static_cast<uint32_t>(kTicksPerSecond);
    case reg::kTimestampControl:
      return 0;  // write-only trigger; reads as 0
    case reg::kTimestampValueHigh:
      return static_cast<uint32_t>(s.timestampLatchedNs >> 32);
    case reg::kTimestampValueLow:
      return static_cast<uint32_t>(s.timestampLatchedNs);
    default:
      return optionalRegister(s, address);
  }
}

bool isWritable(const DeviceState& s, uint32_t address) {
  switch (address) {
    case reg::kGvcpConfiguration:
      return s.features.storeMs > 0;
    case reg::kIpConfigCurrent:
    case reg::kPersistentIp:
    case reg::kPersistentSubnetMask:
    case reg::kPersistentGateway:
    case reg::kHeartbeatTimeout:
    case reg::kCcp:
    case reg::kRebootRequest:
    case reg::kTimestampControl:
      return true;
    default:
      return false;
  }
}

void writeCcp(DeviceState& s, const Peer& peer, uint32_t value, uint64_t nowMs) {
  if (value == reg::kCcpRelease) {
    s.control = Control{};
    return;
  }
  s.control.ccp = value;
  if ((value & reg::kCcpTake) == 0) return;
  s.control.holder = peer;
  s.control.lastSeenMs = nowMs;
}

uint16_t writeText(DeviceState& state, const TextArea& area, uint32_t address,
                   std::span<const uint8_t> data, WriteEffect* effect) {
  if (area.address != reg::kUserDefinedName) return gvcp::kStatusWriteProtect;
  if (address + data.size() > area.address + area.width) return gvcp::kStatusInvalidAddress;
  std::string name = state.persisted.userName;
  name.resize(area.width, '\0');
  std::copy(data.begin(), data.end(), name.begin() + (address - area.address));
  name.resize(name.find('\0') == std::string::npos ? name.size() : name.find('\0'));
  state.persisted.userName = name;
  effect->storedInFlash = true;
  return gvcp::kStatusSuccess;
}

// Reset first, so "reset and latch" in one write latches zero.
void controlTimestamp(DeviceState& s, uint32_t value, uint64_t nowMs) {
  if ((value & kTimestampReset) != 0) s.timestampZeroMs = nowMs;
  if ((value & kTimestampLatch) != 0)
    s.timestampLatchedNs = (nowMs - s.timestampZeroMs) * kTicksPerMs;
}

// Only the holder of control configures GVCP (lenient privilege or not), and
// bits the camera does not offer are ignored, as a device does.
uint16_t writeGvcpConfiguration(DeviceState& s, uint32_t value) {
  if (!s.control.holder) return gvcp::kStatusAccessDenied;
  const uint32_t offered = s.features.offersPendingAck() ? reg::kGvcpConfigPendingAck : 0;
  s.control.gvcpConfig = value & offered;
  return gvcp::kStatusSuccess;
}

bool heldByOther(const DeviceState& s, const Peer& peer) {
  return s.control.holder.has_value() && !(*s.control.holder == peer);
}

}  // namespace

bool expireControl(DeviceState& state, uint64_t nowMs) {
  if (!state.control.holder) return false;
  if (nowMs - state.control.lastSeenMs <= state.heartbeatTimeoutMs) return false;
  state.control = Control{};
  return true;
}

uint16_t checkAccess(DeviceState& state, const Peer& peer, Access access, uint64_t nowMs) {
  if (state.faults.foreignControl) return gvcp::kStatusAccessDenied;
  expireControl(state, nowMs);
  if (heldByOther(state, peer)) {
    const bool exclusive = (state.control.ccp & reg::kCcpExclusive) != 0;
    if (access == Access::kWrite || exclusive) return gvcp::kStatusAccessDenied;
    return gvcp::kStatusSuccess;
  }
  if (state.control.holder) state.control.lastSeenMs = nowMs;
  return gvcp::kStatusSuccess;
}

uint16_t checkUncontrolledWrite(const DeviceState& state, uint32_t address, size_t bytes) {
  if (state.lenientPrivilege || state.control.holder) return gvcp::kStatusSuccess;
  const bool takesControl = address == reg::kCcp && bytes == 4;
  return takesControl ? gvcp::kStatusSuccess : gvcp::kStatusAccessDenied;
}

uint16_t readRegister(const DeviceState& state, uint32_t address, uint32_t* value) {
  if (address % 4 != 0) return gvcp::kStatusBadAlignment;
  if (const TextArea* area = textAreaAt(state, address)) {
    *value = textWord(state, *area, address);
    return gvcp::kStatusSuccess;
  }
  const std::optional<uint32_t> plain = plainRegister(state, address);
  if (!plain) return gvcp::kStatusInvalidAddress;
  *value = *plain;
  return gvcp::kStatusSuccess;
}

uint16_t writeRegister(DeviceState& s, const Peer& peer, uint32_t address, uint32_t value,
                       uint64_t nowMs, WriteEffect* effect) {
  if (address % 4 != 0) return gvcp::kStatusBadAlignment;
  if (!isWritable(s, address)) {
    const bool known = textAreaAt(s, address) != nullptr || plainRegister(s, address).has_value();
    return known ? gvcp::kStatusWriteProtect : gvcp::kStatusInvalidAddress;
  }
  switch (address) {
    case reg::kIpConfigCurrent:
      s.persisted.ipConfig = s.faults.supportedConfigOnly ? value & s.ipConfigSupported : value;
      s.lastIpConfigWritten = value;
      break;
    case reg::kPersistentIp:
      s.persisted.address.ip = value;
      break;
    case reg::kPersistentSubnetMask:
      s.persisted.address.mask = value;
      break;
    case reg::kPersistentGateway:
      s.persisted.address.gateway = value;
      break;
    case reg::kHeartbeatTimeout:
      s.heartbeatTimeoutMs = std::max(value, kMinHeartbeatTimeoutMs);
      break;
    case reg::kCcp:
      writeCcp(s, peer, value, nowMs);
      break;
    case reg::kRebootRequest:
      effect->reboot = value == reg::kRebootMagic;
      break;
    case reg::kTimestampControl:
      controlTimestamp(s, value, nowMs);
      break;
    case reg::kGvcpConfiguration:
      return writeGvcpConfiguration(s, value);
  }
  effect->storedInFlash = effect->storedInFlash || keptInFlash(address);
  return gvcp::kStatusSuccess;
}

uint16_t readMemory(const DeviceState& state, uint32_t address, uint32_t count,
                    std::vector<uint8_t>* out) {
  if (address % 4 != 0 || count % 4 != 0) return gvcp::kStatusBadAlignment;
  if (count == 0 || count > kMaxMemoryReadBytes) return gvcp::kStatusInvalidParameter;
  std::vector<uint8_t> data(count);
  for (uint32_t offset = 0; offset < count; offset += 4) {
    uint32_t word = 0;
    const uint16_t status = readRegister(state, address + offset, &word);
    if (status != gvcp::kStatusSuccess) return status;
    gvcp::putBe32(data.data() + offset, word);
  }
  *out = std::move(data);
  return gvcp::kStatusSuccess;
}

uint16_t writeMemory(DeviceState& state, const Peer& peer, uint32_t address,
                     std::span<const uint8_t> data, uint64_t nowMs, WriteEffect* effect) {
  if (address % 4 != 0 || data.size() % 4 != 0) return gvcp::kStatusBadAlignment;
  if (data.empty()) return gvcp::kStatusInvalidParameter;
  if (const TextArea* area = textAreaAt(state, address))
    return writeText(state, *area, address, data, effect);
  // Registers share the address space: a block over them writes each word in turn.
  for (size_t offset = 0; offset < data.size(); offset += 4) {
    const uint16_t status = writeRegister(state, peer, address + static_cast<uint32_t>(offset),
                                          gvcp::getBe32(data.data() + offset), nowMs, effect);
    if (status != gvcp::kStatusSuccess) return status;
  }
  return gvcp::kStatusSuccess;
}

}  // namespace sim

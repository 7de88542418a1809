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
    {gvcp::Registers::kManufacturerName, 32,
     [](const DeviceState& s) -> std::string_view { return s.identity.manufacturer; }},
    {gvcp::Registers::kModelName, 32,
     [](const DeviceState& s) -> std::string_view { return s.identity.model; }},
    {gvcp::Registers::kDeviceVersion, kDeviceVersionLen,
     [](const DeviceState& s) -> std::string_view { return s.identity.version; }},
    {gvcp::Registers::kManufacturerInfo, 48,
     [](const DeviceState& s) -> std::string_view { return s.identity.info; }},
    {gvcp::Registers::kSerialNumber, 16,
     [](const DeviceState& s) -> std::string_view { return s.identity.serial; }},
    {gvcp::Registers::kUserDefinedName, 16,
     [](const DeviceState& s) -> std::string_view { return s.persisted.userName; }},
    {gvcp::Registers::kFirstUrl, gvcp::Registers::kUrlLen,
     [](const DeviceState&) -> std::string_view { return descriptionUrl(); }},
    {gvcp::Registers::kSecondUrl, gvcp::Registers::kUrlLen,
     [](const DeviceState&) -> std::string_view { return {}; }},
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
    case gvcp::Registers::kVersion:
      return kSpecVersion2_0;
    case gvcp::Registers::kDeviceMode:
      return kDeviceModeBigEndianTransmitter;
    case gvcp::Registers::kDeviceMacHigh:
      return macHigh(s);
    case gvcp::Registers::kDeviceMacLow:
      return macLow(s);
    case gvcp::Registers::kIpConfigSupported:
      return s.ipConfigSupported;
    case gvcp::Registers::kIpConfigCurrent:
      return s.persisted.ipConfig;
    case gvcp::Registers::kCurrentIp:
      return s.current.ip;
    case gvcp::Registers::kCurrentSubnetMask:
      return s.current.mask;
    case gvcp::Registers::kCurrentGateway:
      return s.current.gateway;
    case gvcp::Registers::kPersistentIp:
      return s.persisted.address.ip;
    case gvcp::Registers::kPersistentSubnetMask:
      return s.persisted.address.mask;
    case gvcp::Registers::kPersistentGateway:
      return s.persisted.address.gateway;
    case gvcp::Registers::kHeartbeatTimeout:
      return s.heartbeatTimeoutMs;
    case gvcp::Registers::kCcp:
      return s.control.ccp;
    case gvcp::Registers::kRebootRequest:
      return 0;  // write-only trigger; reads as 0
    case gvcp::Registers::kNetworkInterfaceCount:
      return kOneInterface;
    case gvcp::Registers::kMessageChannelCount:
    case gvcp::Registers::kStreamChannelCount:
      return kNoChannels;
    case gvcp::Registers::kGvcpCapability:
      return gvcpCapabilities(s.features);
    case gvcp::Registers::kTimestampFrequencyHigh:
      return static_cast<uint32_t>(kTicksPerSecond >> 32);
    case gvcp::Registers::kTimestampFrequencyLow:
      return static_cast<uint32_t>(kTicksPerSecond);
    case gvcp::Registers::kTimestampControl:
      return 0;  // write-only trigger; reads as 0
    case gvcp::Registers::kTimestampValueHigh:
      return static_cast<uint32_t>(s.timestampLatchedNs >> 32);
    case gvcp::Registers::kTimestampValueLow:
      return static_cast<uint32_t>(s.timestampLatchedNs);
    default:
      return optionalRegister(s, address);
  }
}

bool isWritable(const DeviceState& s, uint32_t address) {
  switch (address) {
    case gvcp::Registers::kGvcpConfiguration:
      return s.features.storeMs > 0;
    case gvcp::Registers::kIpConfigCurrent:
    case gvcp::Registers::kPersistentIp:
    case gvcp::Registers::kPersistentSubnetMask:
    case gvcp::Registers::kPersistentGateway:
    case gvcp::Registers::kHeartbeatTimeout:
    case gvcp::Registers::kCcp:
    case gvcp::Registers::kRebootRequest:
    case gvcp::Registers::kTimestampControl:
      return true;
    default:
      return false;
  }
}

void writeCcp(DeviceState& s, const Peer& peer, uint32_t value, uint64_t nowMs) {
  if (value == gvcp::Registers::kCcpRelease) {
    s.control = Control{};
    return;
  }
  s.control.ccp = value;
  if ((value & gvcp::Registers::kCcpTake) == 0) return;
  s.control.holder = peer;
  s.control.lastSeenMs = nowMs;
}

uint16_t writeText(DeviceState& state, const TextArea& area, uint32_t address,
                   std::span<const uint8_t> data, WriteEffect* effect) {
  if (area.address != gvcp::Registers::kUserDefinedName) return gvcp::kStatusWriteProtect;
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
  const uint32_t offered =
      s.features.offersPendingAck() ? gvcp::Registers::kGvcpConfigPendingAck : 0;
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
    const bool exclusive = (state.control.ccp & gvcp::Registers::kCcpExclusive) != 0;
    if (access == Access::kWrite || exclusive) return gvcp::kStatusAccessDenied;
    return gvcp::kStatusSuccess;
  }
  if (state.control.holder) state.control.lastSeenMs = nowMs;
  return gvcp::kStatusSuccess;
}

uint16_t checkUncontrolledWrite(const DeviceState& state, uint32_t address, size_t bytes) {
  if (state.lenientPrivilege || state.control.holder) return gvcp::kStatusSuccess;
  const bool takesControl = address == gvcp::Registers::kCcp && bytes == 4;
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
    case gvcp::Registers::kIpConfigCurrent:
      s.persisted.ipConfig = s.faults.supportedConfigOnly ? value & s.ipConfigSupported : value;
      s.lastIpConfigWritten = value;
      break;
    case gvcp::Registers::kPersistentIp:
      s.persisted.address.ip = value;
      break;
    case gvcp::Registers::kPersistentSubnetMask:
      s.persisted.address.mask = value;
      break;
    case gvcp::Registers::kPersistentGateway:
      s.persisted.address.gateway = value;
      break;
    case gvcp::Registers::kHeartbeatTimeout:
      s.heartbeatTimeoutMs = std::max(value, kMinHeartbeatTimeoutMs);
      break;
    case gvcp::Registers::kCcp:
      writeCcp(s, peer, value, nowMs);
      break;
    case gvcp::Registers::kRebootRequest:
      effect->reboot = value == gvcp::Registers::kRebootMagic;
      break;
    case gvcp::Registers::kTimestampControl:
      controlTimestamp(s, value, nowMs);
      break;
    case gvcp::Registers::kGvcpConfiguration:
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

#include "simulator/gvcp_handler.h"

#include <algorithm>
#include <cstring>

#include "gvcp/camera_info.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "simulator/register_space.h"

namespace sim {
namespace {

using da = gvcp::DiscoveryAck;

constexpr size_t kForceIpMac = 2;
constexpr size_t kForceIpAddress = 20;
constexpr size_t kForceIpMask = 36;
constexpr size_t kForceIpGateway = 52;
constexpr size_t kTruncatedDiscoveryBytes = 100;  // cuts the answer inside the text fields
constexpr char kEscapeText[] = "\x1b[2J\x1b]0;owned\x07\r\n\t\x7f";

struct Request {
  gvcp::CommandHeader header;
  std::span<const uint8_t> payload;
  bool ackWanted() const { return (header.flag & gvcp::kFlagAckRequired) != 0; }
};

std::vector<uint8_t> makeAck(uint16_t status, uint16_t ackCode, uint16_t ackId,
                             std::span<const uint8_t> payload) {
  std::vector<uint8_t> ack(gvcp::kHeaderSize + payload.size());
  gvcp::writeAckHeader(ack.data(), {status, ackCode, static_cast<uint16_t>(payload.size()), ackId});
  std::copy(payload.begin(), payload.end(), ack.begin() + gvcp::kHeaderSize);
  return ack;
}

void putText(uint8_t* payload, size_t offset, size_t width, const std::string& text,
             HostileDiscovery hostile) {
  std::string shown = text;
  if (hostile == HostileDiscovery::kEscapes) shown = kEscapeText + text;
  if (hostile == HostileDiscovery::kNoNul) shown = std::string(width, 'X');
  std::memcpy(payload + offset, shown.data(), std::min(width, shown.size()));
}

Route replyRoute(const DeviceState& state, const Peer& from, const Request& request) {
  if (inOwnSubnet(state.current, from.ip)) return Route::kUnicast;
  if ((request.header.flag & gvcp::kFlagBroadcastAck) != 0) return Route::kBroadcast;
  return Route::kNone;
}

Outcome answered(std::vector<uint8_t> answer, Route route = Route::kUnicast) {
  Outcome outcome;
  outcome.answer = std::move(answer);
  outcome.route = route;
  return outcome;
}

uint16_t ackCodeOf(const Request& request) {
  return static_cast<uint16_t>(request.header.command + 1);
}

// An answer with `status` and no payload: the request was refused as a whole.
Outcome refused(uint16_t status, uint16_t ackCode, const Request& request) {
  return answered(makeAck(status, ackCode, request.header.req_id, {}));
}

Outcome onDiscovery(DeviceState& state, const Peer& from, const Request& request) {
  return answered(discoveryAck(state, request.header.req_id), replyRoute(state, from, request));
}

bool macMatches(const DeviceState& state, std::span<const uint8_t> payload) {
  return std::equal(state.mac.begin(), state.mac.end(), payload.begin() + kForceIpMac);
}

Outcome onForceIp(DeviceState& state, const Peer& from, const Request& request) {
  if (request.payload.size() < gvcp::kForceIpPayload || !macMatches(state, request.payload) ||
      state.faults.ignoreForceIp) {
    return {};
  }
  const uint8_t* p = request.payload.data();
  Outcome outcome;
  const IpSettings wanted{gvcp::getBe32(p + kForceIpAddress), gvcp::getBe32(p + kForceIpMask),
                          gvcp::getBe32(p + kForceIpGateway)};
  if (wanted.ip == 0) {
    outcome.restartIpConfig = true;
    state.current = powerUpAddress(state);
  } else {
    outcome.newAddress = wanted;
    state.current = wanted;
  }
  if (request.ackWanted()) {
    outcome.answer = makeAck(0, gvcp::FORCEIP_ACK, request.header.req_id, {});
    outcome.route = replyRoute(state, from, request);
  }
  return outcome;
}

uint16_t injectedStatus(const DeviceState& state, uint32_t address) {
  const auto found = state.faults.registerStatus.find(address);
  return found == state.faults.registerStatus.end() ? 0 : found->second;
}

Outcome onReadReg(DeviceState& state, const Peer& from, const Request& request, uint64_t nowMs) {
  const auto& payload = request.payload;
  if (payload.empty() || payload.size() % 4 != 0 ||
      (payload.size() > 4 && !state.features.concatenation)) {
    return refused(gvcp::kStatusInvalidParameter, gvcp::READREG_ACK, request);
  }
  uint16_t status = checkAccess(state, from, Access::kRead, nowMs);
  std::vector<uint8_t> values;
  for (size_t i = 0; i < payload.size() && status == 0; i += 4) {
    const uint32_t address = gvcp::getBe32(payload.data() + i);
    uint32_t value = 0;
    status = injectedStatus(state, address);
    if (status == 0) status = readRegister(state, address, &value);
    if (status != 0) break;
    values.resize(values.size() + 4);
    gvcp::putBe32(values.data() + values.size() - 4, value);
  }
  return answered(makeAck(status, gvcp::READREG_ACK, request.header.req_id, values));
}

std::vector<uint8_t> indexPayload(size_t index) {
  std::vector<uint8_t> payload(4, 0);
  gvcp::putBe16(payload.data() + 2, static_cast<uint16_t>(index));
  return payload;
}

// A write that reached flash keeps the camera busy for its store time; a
// restart request in the same command wins and is answered at once.
Outcome afterWrite(Outcome outcome, const DeviceState& state, const WriteEffect& effect,
                   const Request& request) {
  outcome.reboot = effect.reboot;
  if (!effect.storedInFlash || effect.reboot || state.features.storeMs == 0) return outcome;
  outcome.storeMs = state.features.storeMs;
  if ((state.control.gvcpConfig & gvcp::Registers::kGvcpConfigPendingAck) != 0) {
    std::vector<uint8_t> timeLeft(gvcp::kPendingAckPayload, 0);  // reserved bits stay zero
    gvcp::putBe16(timeLeft.data() + gvcp::kPendingAckTimeOffset,
                  static_cast<uint16_t>(outcome.storeMs));
    outcome.pendingAck = makeAck(0, gvcp::PENDING_ACK, request.header.req_id, timeLeft);
  }
  return outcome;
}

// The one write that gives control back, when the camera is told not to answer it.
bool unansweredRelease(const DeviceState& state, const Request& request) {
  const auto& payload = request.payload;
  return state.faults.unansweredRelease && payload.size() == 8 &&
         gvcp::getBe32(payload.data()) == gvcp::Registers::kCcp &&
         gvcp::getBe32(payload.data() + 4) == gvcp::Registers::kCcpRelease;
}

Outcome onWriteReg(DeviceState& state, const Peer& from, const Request& request, uint64_t nowMs) {
  const auto& payload = request.payload;
  if (payload.empty() || payload.size() % 8 != 0 ||
      (payload.size() > 8 && !state.features.concatenation)) {
    return refused(gvcp::kStatusInvalidParameter, gvcp::WRITEREG_ACK, request);
  }
  uint16_t status = checkAccess(state, from, Access::kWrite, nowMs);
  size_t written = 0;
  WriteEffect effect;
  for (size_t i = 0; i < payload.size() && status == 0; i += 8, ++written) {
    const uint32_t address = gvcp::getBe32(payload.data() + i);
    status = injectedStatus(state, address);
    if (status == 0) status = checkUncontrolledWrite(state, address, 4);
    if (status != 0) break;
    status =
        writeRegister(state, from, address, gvcp::getBe32(payload.data() + i + 4), nowMs, &effect);
    if (status != 0) break;
  }
  if (status == 0 && unansweredRelease(state, request)) return {};
  return afterWrite(
      answered(makeAck(status, gvcp::WRITEREG_ACK, request.header.req_id, indexPayload(written))),
      state, effect, request);
}

Outcome onReadMem(DeviceState& state, const Peer& from, const Request& request, uint64_t nowMs) {
  const uint16_t ackId = request.header.req_id;
  if (request.payload.size() != 8) {
    return refused(gvcp::kStatusInvalidParameter, gvcp::READMEM_ACK, request);
  }
  const uint32_t address = gvcp::getBe32(request.payload.data());
  const uint16_t count = gvcp::getBe16(request.payload.data() + 6);
  std::vector<uint8_t> data;
  uint16_t status = checkAccess(state, from, Access::kRead, nowMs);
  if (status == 0) status = readMemory(state, address, count, &data);
  std::vector<uint8_t> payload(4);
  gvcp::putBe32(payload.data(), address);
  payload.insert(payload.end(), data.begin(), data.end());
  return answered(makeAck(status, gvcp::READMEM_ACK, ackId, payload));
}

Outcome onWriteMem(DeviceState& state, const Peer& from, const Request& request, uint64_t nowMs) {
  const uint16_t ackId = request.header.req_id;
  if (request.payload.size() < 8) {
    return refused(gvcp::kStatusInvalidParameter, gvcp::WRITEMEM_ACK, request);
  }
  const uint32_t address = gvcp::getBe32(request.payload.data());
  const auto data = request.payload.subspan(4);
  uint16_t status = checkAccess(state, from, Access::kWrite, nowMs);
  if (status == 0) status = checkUncontrolledWrite(state, address, data.size());
  WriteEffect effect;
  if (status == 0) status = writeMemory(state, from, address, data, nowMs, &effect);
  return afterWrite(answered(makeAck(status, gvcp::WRITEMEM_ACK, ackId,
                                     indexPayload(status == 0 ? data.size() : 0))),
                    state, effect, request);
}

Outcome dispatch(DeviceState& state, const Peer& from, const Request& request, uint64_t nowMs) {
  switch (request.header.command) {
    case gvcp::DISCOVERY_CMD:
      return onDiscovery(state, from, request);
    case gvcp::FORCEIP_CMD:
      return onForceIp(state, from, request);
    case gvcp::READREG_CMD:
      return onReadReg(state, from, request, nowMs);
    case gvcp::WRITEREG_CMD:
      return onWriteReg(state, from, request, nowMs);
    case gvcp::READMEM_CMD:
      return onReadMem(state, from, request, nowMs);
    case gvcp::WRITEMEM_CMD:
      return onWriteMem(state, from, request, nowMs);
    default:
      return refused(gvcp::kStatusNotImplemented, ackCodeOf(request), request);
  }
}

// Control commands answer only when asked to; discovery always answers.
Outcome withoutUnwantedAnswer(Outcome outcome, const Request& request) {
  if (!request.ackWanted() && request.header.command != gvcp::DISCOVERY_CMD) {
    outcome.answer.clear();
    outcome.pendingAck.clear();
    outcome.route = Route::kNone;
  }
  return outcome;
}

}  // namespace

const char* commandKind(uint16_t command) {
  switch (command) {
    case gvcp::DISCOVERY_CMD:
      return "discovery";
    case gvcp::FORCEIP_CMD:
      return "forceip";
    case gvcp::READREG_CMD:
      return "readreg";
    case gvcp::WRITEREG_CMD:
      return "writereg";
    case gvcp::READMEM_CMD:
      return "readmem";
    case gvcp::WRITEMEM_CMD:
      return "writemem";
    default:
      return "unknown";
  }
}

bool inOwnSubnet(const IpSettings& current, uint32_t peer) {
  return current.ip != 0 && ((peer ^ current.ip) & current.mask) == 0;
}

std::vector<uint8_t> discoveryAck(const DeviceState& state, uint16_t ackId) {
  std::vector<uint8_t> ack(gvcp::kDiscoveryAckSize, 0);
  gvcp::writeAckHeader(ack.data(), {0, gvcp::DISCOVERY_ACK, gvcp::kDiscoveryAckPayload, ackId});
  uint8_t* p = ack.data() + gvcp::kHeaderSize;
  gvcp::putBe32(p + da::kSpecVersion, kSpecVersion2_0);
  gvcp::putBe32(p + da::kDeviceMode, kDeviceModeBigEndianTransmitter);
  std::copy(state.mac.begin(), state.mac.end(), p + da::kMac);
  gvcp::putBe32(p + da::kIpConfigOptions, state.ipConfigSupported);
  gvcp::putBe32(p + da::kIpConfigCurrent, state.persisted.ipConfig);
  gvcp::putBe32(p + da::kCurrentIp, state.current.ip);
  gvcp::putBe32(p + da::kCurrentSubnetMask, state.current.mask);
  gvcp::putBe32(p + da::kDefaultGateway, state.current.gateway);
  const HostileDiscovery hostile = state.faults.hostileDiscovery;
  const Identity& id = state.identity;
  putText(p, da::kManufacturerName, da::kManufacturerNameLen, id.manufacturer, hostile);
  putText(p, da::kModelName, da::kModelNameLen, id.model, hostile);
  putText(p, da::kDeviceVersion, da::kDeviceVersionLen, id.version, hostile);
  putText(p, da::kManufacturerInfo, da::kManufacturerInfoLen, id.info, hostile);
  const Features& has = state.features;  // a field the camera lacks stays zero
  if (has.serialNumber) putText(p, da::kSerialNumber, da::kSerialNumberLen, id.serial, hostile);
  if (has.userName)
    putText(p, da::kUserDefinedName, da::kUserDefinedNameLen, state.persisted.userName, hostile);
  if (hostile == HostileDiscovery::kTruncated) ack.resize(kTruncatedDiscoveryBytes);
  return ack;
}

Outcome handleGvcp(DeviceState& state, const Peer& from, std::span<const uint8_t> request,
                   uint64_t nowMs) {
  if (request.size() < gvcp::kHeaderSize || request[0] != gvcp::kKey) {
    ++state.counts["malformed"];
    return {};
  }
  Request parsed{gvcp::readCommandHeader(request.data()), request.subspan(gvcp::kHeaderSize)};
  ++state.counts[commandKind(parsed.header.command)];
  if (parsed.header.length > parsed.payload.size()) {
    if (!parsed.ackWanted()) return {};
    return refused(gvcp::kStatusInvalidHeader, ackCodeOf(parsed), parsed);
  }
  parsed.payload = parsed.payload.first(parsed.header.length);
  return withoutUnwantedAnswer(dispatch(state, from, parsed, nowMs), parsed);
}

}  // namespace sim

// The camera's side of GVCP as a pure function: one request datagram and the
// device state in, the acknowledge bytes and how to send them out, plus what
// the network side must do (take a new address, restart). Never reads past the
// datagram, whatever its size or content; a datagram that is not a GVCP
// command (too short, wrong key) is counted and left unanswered. A write that
// stores in flash (with a store time) names how long the camera is busy and,
// where the controlling application enabled it, the PENDING_ACK to send at once.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "simulator/device_state.h"

namespace sim {

enum class Route { kNone, kUnicast, kBroadcast };

struct Outcome {
  std::vector<uint8_t> answer;  // empty when nothing is sent
  Route route = Route::kNone;
  std::optional<IpSettings> newAddress;  // FORCEIP took an address: apply before answering
  bool restartIpConfig = false;          // FORCEIP with address 0: run the power-up choice
  bool reboot = false;                   // restart requested: answer, then go silent
  // Storing in flash: `answer` goes out storeMs after the request, and the
  // camera handles nothing else meanwhile. 0: answered at once.
  uint32_t storeMs = 0;
  std::vector<uint8_t> pendingAck;  // sent at once (same route) when not empty
};

Outcome handleGvcp(DeviceState& state, const Peer& from, std::span<const uint8_t> request,
                   uint64_t nowMs);

// The 256-byte DISCOVERY_ACK for `state` (shaped by its hostile-discovery fault).
std::vector<uint8_t> discoveryAck(const DeviceState& state, uint16_t ackId);

// The name a command is counted and traced under ("readreg", "unknown", ...).
const char* commandKind(uint16_t command);

// True when `peer` lies in the subnet of the camera's current address.
bool inOwnSubnet(const IpSettings& current, uint32_t peer);

}  // namespace sim

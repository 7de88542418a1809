// FORCEIP with its acknowledge, for the command line: the same 64-byte
// FORCEIP_CMD the dialogue sends (now with a gateway), broadcast from an
// adapter's address, re-sent until a FORCEIP_ACK arrives on the same socket,
// at most `attempts` times with `wait` for each. A camera acknowledges from
// its new address, so an answer arrives only when that address shares a
// subnet with the adapter; the caller confirms the change by a discovery in
// any case. Every datagram goes to the trace. FORCEIP is a broadcast by MAC
// and needs no control privilege. Owns its socket for one call; prints
// nothing; the caller's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "gvcp/gige_forceip.h"
#include "gvcp/status.h"

namespace gvcp {

struct ForceIpExchange {
  uint32_t sourceIp = 0;                // the adapter's address, network byte order
  std::string interfaceName;            // the adapter's interface; empty: not tied to one
  uint32_t destinationIp = 0xFFFFFFFF;  // network byte order; limited broadcast
  uint16_t destinationPort = kPort;
  int attempts = 3;
  std::chrono::milliseconds wait{200};
};

// Where a FORCEIP failed locally: the codes of its Status.
enum ForceIpSite : int {
  kSocket = 1,
  kBind = 2,
  kSend = 3,
  kWait = 4,
  kNoAnswer = 5,
};

// Ok once acknowledged with status 0; the camera's status when it refused;
// a local failure (forceip_site) otherwise, kNoAnswer after the last attempt,
// kBind also when the socket cannot be tied to the named interface.
Status forceIpAcknowledged(const unsigned char* mac, const ForceIpSet& set, uint32_t gateway,
                           const ForceIpExchange& exchange);

}  // namespace gvcp

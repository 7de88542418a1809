// The datagram trace: one process-wide hook that discovery, FORCEIP and every
// Camera call for each GVCP datagram they send or receive, and the decoding of
// a datagram into one line of text. Without a hook nothing is decoded. The
// hook is set before any exchange starts and may be called from any thread
// that runs an exchange (calls are serialised by a lock here).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace gvcp {

enum class TraceDirection { kSend, kReceive };

// `peer` is the other end: address in network byte order, port in host order.
using TraceHook = std::function<void(TraceDirection, uint32_t peerIp, uint16_t peerPort,
                                     std::span<const uint8_t> datagram)>;

// Installs `hook` (an empty function removes it).
void setTraceHook(TraceHook hook);
// Hands one datagram to the hook, if any.
void traceDatagram(TraceDirection direction, uint32_t peerIp, uint16_t peerPort,
                   std::span<const uint8_t> datagram);

// "gvcp send 192.168.10.11:3956 READREG_CMD req_id=5 addr=0x00000014" or
// "gvcp recv ... READREG_ACK req_id=5 status=0x0000 value=0x00000005". Sent
// datagrams are read as commands, received ones as acknowledges; a datagram
// too short for its fields shows what it holds and "truncated".
std::string describeDatagram(TraceDirection direction, uint32_t peerIp, uint16_t peerPort,
                             std::span<const uint8_t> datagram);

// DISCOVERY_CMD ... WRITEMEM_ACK, PENDING_ACK, or UNKNOWN(0xNNNN).
std::string messageName(uint16_t code);

}  // namespace gvcp

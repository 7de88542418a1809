// Temporary address assignment on the wire: the FORCEIP_CMD frame and the
// link watch that follows it (app/force_ip.h sends it for the dialogue).
// Values and results; nothing is printed.
#pragma once

#include <array>
#include <cstdint>

#include "gvcp/camera_info.h"
#include "gvcp/gvcp_protocol.h"
#include "net/macaddress.h"

// Temporary address and mask, both in network byte order.
struct ForceIpSet {
  uint32_t ip = 0;
  uint32_t mask = 0;
};

// Payload offsets of a FORCEIP_CMD (after the 8-byte command header).
namespace gvcp {
struct ForceIpCmdLayout {
  static constexpr size_t kMac = 2;
  static constexpr size_t kIp = 20;
  static constexpr size_t kMask = 36;
  static constexpr size_t kGateway = 52;
};

// How long the link is watched after the command, and the frame buffer size.
inline constexpr int kForceIpListenMs = 1000;
inline constexpr size_t kForceIpFrameBufferSize = 590;

using ForceIpCommand = std::array<uint8_t, gvcp::kForceIpCmdSize>;

// The 64-byte FORCEIP_CMD for the camera with MAC `mac` (six bytes, wire order)
// asking it to take `set` and `gateway` (network byte order; the dialogue
// always sends 0.0.0.0).
ForceIpCommand buildForceIpCommand(const unsigned char* mac, const ForceIpSet& set,
                                   uint32_t gateway = 0);

// Reads and drops frames from `packetFd` until `listenMs` have passed; with no
// socket (-1) it just waits the time out. Returns false when a wait fails.
bool drainFramesFor(int packetFd, int listenMs);

}  // namespace gvcp

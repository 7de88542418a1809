// Temporary address assignment: ForceIp broadcasts one FORCEIP_CMD through the
// adapter a camera was discovered on, then listens one second at link level and
// drops whatever arrives. No answer is evaluated: the result is always 0, and
// only a failing wait ends the process (status 1). One thread, the caller's.
#pragma once

#include <array>
#include <cstdint>

#include "gvcp/camera_info.h"
#include "gvcp/gvcp_protocol.h"
#include "net/macaddress.h"
#include "net/unique_fd.h"

// Temporary address and mask, both in network byte order.
struct ForceIpSet {
  uint32_t ip = 0;
  uint32_t mask = 0;
};

// Payload offsets of a FORCEIP_CMD (after the 8-byte command header).
namespace forceip_cmd {
inline constexpr size_t kMac = 2;
inline constexpr size_t kIp = 20;
inline constexpr size_t kMask = 36;
inline constexpr size_t kGateway = 52;
}  // namespace forceip_cmd

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

class ForceIp {
 public:
  // Opens the datagram socket; prints "socket() error" when that fails.
  ForceIp();

  // Sends the command for `camera` (its cameraMacHw and adaptor) with `set`,
  // then waits kForceIpListenMs. Returns 0.
  int assignTemporaryIp(const GigE_Camera_Info* camera, const ForceIpSet* set);

 private:
  int assignTemporaryIp_linux(const GigE_Camera_Info* camera, const ForceIpSet* set);
  void sendCommand(const GigE_Camera_Info& camera, const ForceIpSet& set);

  UniqueFd sock;
};

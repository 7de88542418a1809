// The one camera a command works on once a lookup has found it: where it
// answers, through which adapter and interface, its MAC (checked after every
// take), and the capability register when the lookup read it. The opening of
// its control channel. Plain values; prints nothing; the caller's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "device/camera_session.h"
#include "device/camera_settings.h"
#include "gvcp/camera.h"
#include "gvcp/camera_info.h"
#include "gvcp/gvcp_protocol.h"
#include "net/adaptor.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace device {

struct CameraTarget {
  net::Ipv4 ip;                    // where it answers
  std::optional<Adaptor> adapter;  // whose subnet holds the address, or it answered on
  net::Mac mac{};                  // of the camera found: the session checks it
  // The interface unicast to it is tied to: the one a discovery heard it on;
  // empty for an address that answered directly (where the kernel routes it).
  std::string interface;
  // The GVCP capability register, when the lookup read it: not read again.
  std::optional<uint32_t> capabilities{};
  // The serial a discovery heard: with the all-zero MAC, the camera's identity.
  std::optional<std::string> serial{};
};

// The target of a discovered camera, through the adapter it answered on.
CameraTarget targetOf(const GigE_Camera_Info& camera);
// The session's view of a target: its address, adapter and MAC.
SessionTarget sessionTarget(const CameraTarget& target);

// A control channel whose every attempt gets its own wait, so one lost
// datagram costs a retry, not the operation; tied to `interface` when one is
// named (a failure to tie it is left to the reads, which then get no answer).
std::unique_ptr<Camera> openCamera(net::Ipv4 ip, uint16_t port = gvcp::kPort,
                                   const std::string& interface = "");
// The same for a target: through the adapter it answered on.
std::unique_ptr<Camera> openCamera(const CameraTarget& target);

// The settings of the device at the target's address, read without control
// through the target's adapter: the read's failure, or Fault::kFailed when
// the device is not the camera the target names (two cameras on one address).
gvcp::Status readTarget(const CameraTarget& target, CameraSettings& settings);

}  // namespace device

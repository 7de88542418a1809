// Finding the one camera a CAMERA argument names: an address that answers a
// register read is used directly, with no discovery window; anything else is
// looked up by one discovery (no match: exit 3; several: exit 4 with the
// candidates; a match outside its adapter's subnet: exit 1, since unicast
// would not reach it). Either a target or the failure to report comes back.
// The caller's thread.
#pragma once

#include <array>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "cli/output/camera_view.h"
#include "device/camera_session.h"
#include "gvcp/camera.h"
#include "gvcp/camera_info.h"
#include "gvcp/gvcp_protocol.h"
#include "net/adaptor.h"

namespace cli {

struct CameraTarget {
  uint32_t ip = 0;                 // network byte order
  std::string address;             // dotted
  std::optional<Adaptor> adapter;  // whose subnet holds the address, or it answered on
  std::array<uint8_t, 6> mac{};    // of the camera found: the session checks it
};

// The target of a discovered camera, through the adapter it answered on.
CameraTarget targetOf(const GigE_Camera_Info& camera);
// The session's view of a target: its address, adapter and MAC.
device::SessionTarget sessionTarget(const CameraTarget& target);

struct TargetLookup {
  std::optional<CameraTarget> target;
  CommandResult failure;  // when there is no target
};

TargetLookup findCamera(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, std::ostream& err);

struct DiscoveredLookup {
  std::optional<GigE_Camera_Info> camera;  // with the adapter it answered through
  CommandResult failure;                   // when there is no camera
};

// The one camera `selector` names among those one discovery finds, wherever
// its address lies (an address selector matches the address it answers
// from): for commands that reach a camera by broadcast, not by unicast.
DiscoveredLookup findDiscovered(const Invocation& invocation, const Selector& selector,
                                const std::vector<Adaptor>& adapters, std::ostream& err);

// A control channel whose every attempt gets its own wait, so one lost
// datagram costs a retry, not the operation.
std::unique_ptr<Camera> openCamera(uint32_t ip, uint16_t port = gvcp::kPort);

}  // namespace cli

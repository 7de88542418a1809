// Finding the one camera a CAMERA argument names: an address that answers a
// register read is used directly, with no discovery window; anything else is
// looked up by one discovery (no match: exit 3; several: exit 4 with the
// candidates; a match outside its adapter's subnet: exit 1, since unicast
// would not reach it). A MAC names one camera, so its discovery ends at the
// camera's answer through an adapter whose subnet holds its address; serial
// numbers and names keep the whole window. Either a target or the failure to
// report comes back. The caller's thread.
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
#include "device/camera_target.h"
#include "gvcp/camera.h"
#include "gvcp/camera_info.h"
#include "gvcp/gvcp_protocol.h"
#include "net/adaptor.h"
#include "net/macaddress.h"

namespace cli {

// What a lookup is for. A changing command must learn who else answers at the
// camera's address: its discovery ends early only where the packet socket
// works, since then an ARP probe can tell (cli/shared_address.h).
enum class LookupUse { kRead, kChange };

struct TargetLookup {
  std::optional<device::CameraTarget> target;
  CommandResult failure;  // when there is no target
  // Every record of the discovery that found it; empty for an address that
  // answered directly.
  std::vector<GigE_Camera_Info> found;
  // The discovery ended at the camera's answer: `found` holds only the
  // answers heard until then.
  bool endedAtAnswer = false;
};

// An address that answered directly comes back for kChange with
// endedAtAnswer set: nobody has yet looked for other stations there.
TargetLookup findCamera(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, std::ostream& err,
                        LookupUse use = LookupUse::kRead);
// The same by one discovery alone, also for an address.
TargetLookup findCameraByDiscovery(const Invocation& invocation, const Selector& selector,
                                   const std::vector<Adaptor>& adapters, std::ostream& err,
                                   LookupUse use);

struct DiscoveredLookup {
  std::optional<GigE_Camera_Info> camera;  // with the adapter it answered through
  CommandResult failure;                   // when there is no camera
  std::vector<GigE_Camera_Info> found;     // every record of the discovery
  bool endedAtAnswer = false;              // as in TargetLookup
};

// The one camera `selector` names among those one discovery finds, wherever
// its address lies (an address selector matches the address it answers
// from): for commands that reach a camera by broadcast, not by unicast.
DiscoveredLookup findDiscovered(const Invocation& invocation, const Selector& selector,
                                const std::vector<Adaptor>& adapters, std::ostream& err,
                                LookupUse use = LookupUse::kRead);

}  // namespace cli

// Finding the one camera a selector names. An address that answers a register
// read is used directly, with no discovery window; anything else is looked up
// by one discovery (no match: Fault::kNotFound; several: Fault::kAmbiguous
// with the candidates; a match outside its adapter's subnet: Fault::kFailed,
// since unicast would not reach it). A MAC names one camera, so its discovery
// ends at the camera's answer through an adapter whose subnet holds its
// address (a read listens for that answer by ordinary UDP first and opens the
// packet capture only when it does not come); serial numbers and names keep
// the whole window. Prints nothing; the caller's thread.
#pragma once

#include <chrono>
#include <optional>
#include <vector>

#include "device/address_sharers.h"
#include "device/camera_selector.h"
#include "device/camera_target.h"
#include "gvcp/camera_info.h"
#include "gvcp/status.h"
#include "net/adaptor.h"
#include "net/macaddress.h"

namespace device {

// What a lookup is for. A changing command must learn who else answers at the
// camera's address: its discovery ends early only where the packet socket
// works, since then an ARP probe can tell (device/address_sharers.h).
enum class LookupUse { kRead, kChange };

struct Lookup {
  // The camera's discovered record, with the adapter it answered through;
  // none for an address that answered directly.
  std::optional<GigE_Camera_Info> camera;
  // Where unicast reaches it (findCamera, findCameraByDiscovery).
  std::optional<CameraTarget> target;
  gvcp::Status failure = gvcp::Status::Ok();  // when nothing was found
  std::vector<GigE_Camera_Info> candidates;   // the matches of an ambiguous selector
  std::vector<GigE_Camera_Info> found;        // every record of the discovery
  // The discovery ended at the camera's answer: `found` holds only the
  // answers heard until then. An address that answered directly comes back
  // so for kChange: nobody has yet looked for other stations there.
  bool endedAtAnswer = false;
  bool overUdp = false;  // the discovery listened by ordinary UDP (device/discovery.h)
};

// The one camera `selector` names among those one discovery finds, wherever
// its address lies (an address selector matches the address it answers
// from): for operations that reach a camera by broadcast, not by unicast.
Lookup findDiscovered(const Selector& selector, const std::vector<Adaptor>& adapters,
                      std::chrono::milliseconds window, LookupUse use = LookupUse::kRead);
// The same, with the target unicast reaches it at: it must answer from inside
// its adapter's subnet.
Lookup findCameraByDiscovery(const Selector& selector, const std::vector<Adaptor>& adapters,
                             std::chrono::milliseconds window, LookupUse use);
// An address that answers directly, or else findCameraByDiscovery.
Lookup findCamera(const Selector& selector, const std::vector<Adaptor>& adapters,
                  std::chrono::milliseconds window, LookupUse use = LookupUse::kRead);

// The camera a changing operation names (findCamera for kChange), and the
// others that answer at its address on its link: those its discovery heard
// or, where the lookup ended at the camera's answer, the station that answers
// an ARP probe (`alongside` runs while it listens). An address names whatever
// answers there: where another station answers too, or nothing can tell
// without the probe's privilege, one discovery decides, and several cameras
// there are ambiguous. `readOnly` (a check, a dry run) looks for the others
// only where an address needs them to tell which camera it names. A failed
// probe is the lookup's failure.
struct ChangeLookup {
  Lookup lookup;
  std::vector<net::Mac> sharers;
};
ChangeLookup findChangeable(const Selector& selector, const std::vector<Adaptor>& adapters,
                            std::chrono::milliseconds window, bool readOnly,
                            const WhileProbing& alongside = {});

}  // namespace device

// The frame of the operations that change one camera: control taken through
// a CameraSession (heartbeat running), the work run, and control given back
// on every path (nothing to give back once the work had the camera restart).
// A stop seen before the take or right after it ends with Fault::kInterrupted;
// a failed release fails an otherwise good result. `who` ("camera at
// 192.168.10.11") opens every failure text. Then the operation that brings a
// camera to a desired state inside that frame. Prints nothing; the caller's
// thread.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/address_sharers.h"
#include "device/camera_change.h"
#include "device/camera_session.h"
#include "device/camera_settings.h"
#include "device/desired_state.h"
#include "gvcp/status.h"

namespace device {

// True when a stop was asked for; empty: nothing stops the frame.
using StopCheck = std::function<bool()>;
using ControlledWork = std::function<gvcp::Status(CameraSession& session)>;

// Another device answering at the target's address fails it with nothing
// written.
gvcp::Status underControl(const CameraTarget& target, const std::string& who,
                          const StopCheck& stopped, const ControlledWork& work);
// The same around a session the caller made (its own policy).
gvcp::Status underControl(CameraSession& session, const std::string& who, const StopCheck& stopped,
                          const ControlledWork& work);

// Settings read while the ARP probe listened, and the camera (address and
// MAC) they are from: a relocated or other camera reads anew.
struct ReadAhead {
  CameraTarget target;
  CameraSettings settings;
};
// The work for the probe that reads them into `ahead` (left empty when the
// read fails: the operation then reads again and says why).
WhileProbing readAheadInto(std::optional<ReadAhead>& ahead);

// A camera brought to a desired state: its settings read without control
// (the device must be the camera the target names; nothing is written
// otherwise), the refusals, and then, unless `check` or nothing differs,
// control taken, the device's MAC checked, and only what differs from those
// settings written (applyChange); they are read under control only where
// the camera refused them without it. `then` runs under the same control
// after a successful change, and makes the operation take control even when
// nothing differs. `ahead` spares the read when it is from the target.
struct StateRequest {
  DesiredState desired;
  std::optional<ReadAhead> ahead;
  bool check = false;
  std::function<gvcp::Status(CameraSession& session, const CameraSettings& before,
                             const ChangeOutcome& change)>
      then;
};
struct StateOutcome {
  gvcp::Status status = gvcp::Status::Ok();  // a read, refusal, take, stop or release failed
  CameraSettings startedFrom;                // the settings the change was judged against
  std::vector<SettingChange> planned;        // the settings that differ (what a check reports)
  ChangeOutcome change;                      // the writes (none when they did not run)
  // False: the request was refused or only checked, or nothing differed.
  bool soughtControl = false;
};
StateOutcome reachState(const CameraTarget& target, const std::string& who,
                        const StateRequest& request, const StopCheck& stopped);

}  // namespace device

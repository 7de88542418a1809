// The frame of the commands that change one camera: control taken through a
// device::CameraSession (heartbeat running), the command's work run, and
// control given back on every path (nothing to give back once the work had
// the camera restart). A stop signal before the take or right after it ends
// with exit 130; a failed release fails an otherwise good result. `who`
// ("camera at 192.168.10.11") opens every failure line. The caller's thread.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "audit/change_record.h"
#include "cli/camera_lookup.h"
#include "cli/desired_state.h"
#include "cli/exit_code.h"
#include "cli/shared_address.h"
#include "cli/signal_guard.h"
#include "device/camera_session.h"
#include "device/camera_settings.h"

namespace cli {

// What a command does with its camera while it holds control.
using ControlledWork = std::function<CommandResult(device::CameraSession& session)>;

// `signals` may be null: nothing then stops the frame between its steps.
// Another device answering at the target's address fails it (exit 1) with
// nothing written.
CommandResult underControl(const device::CameraTarget& target, const std::string& who,
                           const SignalGuard* signals, const ControlledWork& work);

// The camera found (findCamera), then underControl with "camera at ADDRESS",
// recorded as `action`; `work` also gets the camera's dotted address.
using AddressedWork =
    std::function<CommandResult(device::CameraSession& session, const std::string& address)>;
CommandResult runUnderControl(const Invocation& invocation, const Selector& selector,
                              const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                              std::ostream& err, audit::Action action, const AddressedWork& work);

// Reads `settings` from the camera (its capability register too unless
// given); the failure, naming the camera by `who`, when a read failed.
std::optional<CommandResult> readSettingsOf(Camera& camera, const std::string& who,
                                            device::CameraSettings& settings,
                                            std::optional<uint32_t> capabilities = std::nullopt);
// The same, then a look at `signals`: exit 130 when a stop came meanwhile.
std::optional<CommandResult> readSettingsBefore(Camera& camera, const std::string& who,
                                                const SignalGuard& signals,
                                                device::CameraSettings& settings);

// Settings read while findChangeable's ARP probe listened, and the camera
// (address and MAC) they are from: a relocated or other camera reads anew.
struct ReadAhead {
  device::CameraTarget target;
  device::CameraSettings settings;
};
// The work for findChangeable that reads them into `ahead` (left empty when
// the read fails: the command then reads again and says why).
WhileProbing readAheadInto(std::optional<ReadAhead>& ahead);

// A command that brings a camera to a desired state: its settings read
// without control (the device must be the camera the target names; nothing
// is written otherwise), the refusals, and then, unless `check` or nothing
// differs, control taken, the device's MAC checked, and only what differs
// from those settings written (cli/camera_changes.h); they are read under
// control only where the camera refused them without it. `then` runs under the same control after a
// successful change, and makes the command take control even when nothing
// differs (a restart the operator asked for). `ahead` spares the read when
// it is from the target.
struct StateRequest {
  DesiredState desired;
  std::optional<ReadAhead> ahead;
  bool check = false;
  std::function<CommandResult(device::CameraSession& session, const device::CameraSettings& before,
                              CommandResult changed)>
      then;
};
// What reachState did, for a caller that words more than its result.
struct StateAccount {
  device::CameraSettings startedFrom;  // the settings the change was judged against
  std::vector<SettingChange> planned;  // the settings that differ (what --check reports)
  std::vector<std::string> written;    // the settings that hold new values, as written
};
// `trace`, when given, gets what the call did.
CommandResult reachState(const device::CameraTarget& target, const std::string& who,
                         const StateRequest& request, const SignalGuard* signals,
                         StateAccount* trace = nullptr);

}  // namespace cli

// The command line's side of the frame of the commands that change one
// camera (device/camera_control.h): the device's typed outcomes rendered as
// CommandResult (exit 130 for a stop, the wording of cli/output/
// change_render.h), each change recorded in the audit trail. The caller's
// thread.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "audit/change_record.h"
#include "cli/camera_lookup.h"
#include "cli/exit_code.h"
#include "cli/shared_address.h"
#include "cli/signal_guard.h"
#include "device/camera_control.h"

namespace cli {

using device::readAheadInto;
using device::SettingChange;

// What a command does with its camera while it holds control.
using ControlledWork = std::function<CommandResult(device::CameraSession& session)>;

// device::underControl for a command's work; `signals` may be null.
CommandResult underControl(const device::CameraTarget& target, const std::string& who,
                           const SignalGuard* signals, const ControlledWork& work);

// The camera found (findCamera), then underControl with "camera at ADDRESS",
// recorded as `action`; `work` also gets the camera's dotted address.
using AddressedWork =
    std::function<CommandResult(device::CameraSession& session, const std::string& address)>;
CommandResult runUnderControl(const Invocation& invocation, const Selector& selector,
                              const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                              std::ostream& err, audit::Action action, const AddressedWork& work);

// Reads `settings` from the camera, then looks at `signals`: the failure,
// naming the camera by `who`, when a read failed; exit 130 when a stop came.
std::optional<CommandResult> readSettingsBefore(Camera& camera, const std::string& who,
                                                const SignalGuard& signals,
                                                device::CameraSettings& settings);

// device::reachState for a command; `then` gets the change's result to word.
struct StateRequest {
  device::DesiredState desired;
  std::optional<device::ReadAhead> ahead;
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

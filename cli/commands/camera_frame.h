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
#include "cli/camera/camera_lookup.h"
#include "cli/camera/shared_address.h"
#include "cli/exit_code.h"
#include "device/camera_control.h"
#include "os/signal_guard.h"

namespace cli {

using device::readAheadInto;
using device::SettingChange;

// The camera found (findCamera), then device::underControl with "camera at
// ADDRESS", recorded as `action`; `work` also gets the camera's dotted address.
using AddressedWork =
    std::function<CommandResult(device::CameraSession& session, const std::string& address)>;
CommandResult runUnderControl(const Invocation& invocation, const Selector& selector,
                              const std::vector<Adaptor>& adapters, const os::SignalGuard& signals,
                              std::ostream& err, audit::Action action, const AddressedWork& work);

// device::reachState for a command (`signals` may be null; the request's own
// `then` is not used): `then` gets the change's result to word, and `trace`
// what the call did.
using device::StateRequest;
using StateAccount = device::StateOutcome;
using ThenWork = std::function<CommandResult(
    device::CameraSession& session, const device::CameraSettings& before, CommandResult changed)>;
CommandResult reachState(const device::CameraTarget& target, const std::string& who,
                         const StateRequest& request, const os::SignalGuard* signals,
                         StateAccount* trace = nullptr, const ThenWork& then = {});

}  // namespace cli

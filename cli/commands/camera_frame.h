// The command line's side of the frame of the commands that change one
// camera (device/camera_control.h): the camera looked up, the device's typed
// outcomes rendered as CommandResult (exit 130 for a stop, the wording of
// cli/output/change_render.h), each change recorded in the audit trail. The
// caller's thread.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "audit/change_record.h"
#include "cli/camera/camera_lookup.h"
#include "cli/camera/shared_address.h"
#include "cli/commands/commands.h"
#include "device/camera_control.h"
#include "device/camera_return.h"

namespace cli {

using device::readAheadInto;
using device::SettingChange;

// The camera the command names (device::findChangeable), moved off an address
// it shares with others heard on its adapter (not for --check or --dry-run).
// `alongside` runs while an ARP probe looks for a sharer, if one is sent.
Relocation findChangeable(const CommandContext& context,
                          const device::WhileProbing& alongside = {});

// The camera found (findChangeable), then device::underControl with "camera
// at ADDRESS", recorded as `action`; `work` also gets the camera's dotted
// address.
using AddressedWork =
    std::function<CommandResult(device::CameraSession& session, const std::string& address)>;
CommandResult runUnderControl(const CommandContext& context, audit::Action action,
                              const AddressedWork& work);

// `result` with the camera's "mac" and "ip" as its first JSON field, "camera".
CommandResult withCamera(CommandResult result, const device::CameraTarget& target);

// The restart of the camera under `session` as `restart` and `set --restart`
// word it, found again by the MAC (and serial) read `before`, judged by the
// `config` it restarts with: "camera" and "restart" JSON fields, a line of
// text, and a warning line on `err` when it came back elsewhere than expected.
CommandResult restartAndRediscover(device::CameraSession& session,
                                   const device::CameraSettings& before,
                                   const device::RestartConfig& config,
                                   const CommandContext& context);

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

// The command line's side of a change to one camera (device/camera_change.h):
// the device's request for what a command asks, and the result a command
// renders from the typed outcome: the human text and the JSON fields
// ("changed", "changes", and for a mode "mode", "ip_config", "persistent",
// "supported"), or the failure (exit 1) that says what the camera holds now,
// with "done": the settings that hold new values. Pure; any thread.
#pragma once

#include <string>

#include "cli/desired_state.h"
#include "cli/exit_code.h"
#include "device/camera_change.h"
#include "device/camera_settings.h"

namespace cli {

// `desired` as register values; the mode as the bits `before` supports.
device::ChangeRequest changeRequestOf(const device::CameraSettings& before,
                                      const DesiredState& desired);

// The result of device::applyChange for `desired`, from `before` (read under
// the control held; refusal() passed). `who` opens every line.
CommandResult changeResult(const device::ChangeOutcome& outcome,
                           const device::CameraSettings& before, const DesiredState& desired,
                           const std::string& who);

// What changeResult reports when nothing differs, and what --check reports:
// nothing is written ("changed" false, "changes" what would change).
CommandResult reportWithoutWrites(const device::CameraSettings& now, const DesiredState& desired,
                                  const std::string& who, bool check);

}  // namespace cli

// The words of a change to one camera (device/camera_control.h): the result a
// command renders from the typed outcome: the human text and the JSON fields
// ("changed", "changes", and for a mode "mode", "ip_config", "persistent",
// "supported"), or the failure (exit 1) that says what the camera holds now,
// with "done": the settings that hold new values. Pure; any thread.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/exit_code.h"
#include "device/camera_change.h"
#include "device/camera_settings.h"
#include "device/desired_state.h"

namespace cli {

// The result of device::applyChange for `desired`, from `before` (read under
// the control held; the refusals passed). `who` opens every line.
CommandResult changeResult(const device::ChangeOutcome& outcome,
                           const device::CameraSettings& before,
                           const device::DesiredState& desired, const std::string& who);

// What changeResult reports when nothing differs, and what --check reports:
// nothing is written ("changed" false, "changes" what would change).
CommandResult reportWithoutWrites(const device::CameraSettings& now,
                                  const device::DesiredState& desired, const std::string& who,
                                  bool check);

nlohmann::ordered_json changesJson(const std::vector<device::SettingChange>& changes);

}  // namespace cli

// Bringing one camera to a desired state (cli/desired_state.h) while this host
// holds control of it, for `set`, `rename` and each row of `apply`: only the
// settings that differ are written. The address and mode go through the
// device's IP configuration writer as one unit (the persistent address, mask
// and gateway, then the configuration register, each read back before the
// next; pause-frame bits kept as the camera has them); then the name, read
// back. When a write fails, what the camera stored before is put back and
// what it holds now is read and said, never assumed. The result carries the
// human text and the JSON fields ("changed", "changes", and for a mode
// "mode", "ip_config", "persistent", "supported"), or the failure (exit 1)
// with "done": the settings the camera holds changed. Prints nothing; uses
// only the Camera it is given, so cameras may be changed on several threads.
#pragma once

#include <string>

#include "cli/desired_state.h"
#include "cli/exit_code.h"
#include "device/camera_settings.h"

class Camera;

namespace cli {

// `before` was read under the control now held; refusal() passed.
CommandResult applyChanges(Camera& camera, const device::CameraSettings& before,
                           const DesiredState& desired, const std::string& who);

// What applyChanges reports when nothing differs, and what --check reports:
// nothing is written ("changed" false, "changes" what would change).
CommandResult reportWithoutWrites(const device::CameraSettings& now, const DesiredState& desired,
                                  const std::string& who, bool check);

}  // namespace cli

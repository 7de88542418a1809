// Changing one camera's IP mode while this host holds control of it: the
// shared core of `set` and of each row of `apply`. Given the camera's
// settings read before, it refuses a mode the camera does not offer (unless
// forced) and persistent IP without an address when the camera holds none,
// both before writing anything; it then writes the persistent address, mask
// and gateway (persistent only, when given) and the current configuration
// register as one unit, and reads every written register back. The result
// carries the human text and the JSON fields, or the failure (exit 1, or 2
// for the missing address). Prints nothing; uses only the Camera it is given,
// so cameras may be changed on several threads at once, one Camera each.
#pragma once

#include <optional>
#include <string>

#include "cli/exit_code.h"
#include "cli/input/address_rules.h"
#include "cli/input/camera_values.h"
#include "ipconfig/camera_settings.h"

class Camera;

namespace cli {

struct ModeChange {
  IpMode mode = IpMode::kLla;
  // Host-order values, checked already; only with kPersistent. Empty: keep
  // the camera's stored persistent address.
  std::optional<AddressSet> persistent;
  bool force = false;  // write a mode the supported register does not offer
};

// `who` opens every message and line ("camera at 192.168.10.11").
CommandResult changeMode(Camera& camera, const CameraSettings& before, const ModeChange& change,
                         const std::string& who);

}  // namespace cli

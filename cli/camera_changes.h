// The changes a command makes to a camera while this host holds control of
// it, shared by `set`, `rename` and each row of `apply`:
// - changeMode: given the settings read before, it refuses a mode the camera
//   does not offer (unless forced) and persistent IP without an address when
//   the camera holds none, both before writing anything; then the device's IP
//   configuration writer stores the persistent address, mask and gateway
//   (persistent only, when given) and the configuration register as one unit,
//   each read back before the next.
// - writeUserName: the user-defined name, NUL-filled to its field, read back.
// Each result carries the human text and the JSON fields, or the failure
// (exit 1, or 2 for the missing address). Prints nothing; uses only the
// Camera it is given, so cameras may be changed on several threads at once.
#pragma once

#include <optional>
#include <string>

#include "cli/exit_code.h"
#include "cli/input/address_rules.h"
#include "cli/input/camera_values.h"
#include "device/camera_settings.h"

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
CommandResult changeMode(Camera& camera, const device::CameraSettings& before,
                         const ModeChange& change, const std::string& who);

// `name` was checked already (1 to 15 printable ASCII bytes).
CommandResult writeUserName(Camera& camera, const std::string& who, const std::string& name);

}  // namespace cli

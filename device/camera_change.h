// Bringing one camera, whose control the caller holds, to the settings a
// command asks of it: the address-and-mode unit goes through the IP
// configuration writer (persistent address, mask and gateway, then the
// configuration register with the camera's pause-frame bits kept, each read
// back before the next), then the user-defined name, read back. Only what
// differs from `before` is written. When the unit fails, what the camera
// stored before is put back and what it holds now is read, never assumed.
// Prints nothing; uses only the Camera it is given, so cameras may be
// changed on several threads.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "device/camera_settings.h"

class Camera;

namespace device {

// What to change; an empty part is left as the camera has it.
struct ChangeRequest {
  std::optional<net::AddressSet> persistent;
  std::optional<uint32_t> modeBits;  // the configuration register's three mode bits
  std::optional<std::string> name;
};

// A setting of the unit that holds another value than before the change.
struct HeldSetting {
  std::string setting;  // as ChangeOutcome::written names it
  uint32_t value = 0;   // the register as read
};

struct ChangeFailure {
  std::string failedAt;  // the setting whose write or read-back failed
  std::string what;      // "the persistent gateway (register 0x066C) reads back ..."
  // A name that reads back otherwise: the camera's bytes as they are, for the
  // caller to print safely; `what` is then empty.
  std::optional<std::string> nameReadsBack;
  // After a failed unit: the settings that now differ from before, empty when
  // everything was put back; nullopt when a register could not be read. A
  // failed name leaves the unit before it as written and reads nothing.
  std::optional<std::vector<HeldSetting>> holdsNow;
};

// `written`: the settings that hold new values, by the names scripts see
// ("persistent_ip", "persistent_mask", "persistent_gateway", "mode",
// "user_name"), in the order they were written.
struct ChangeOutcome {
  std::vector<std::string> written;
  std::optional<ChangeFailure> failure;
};

ChangeOutcome applyChange(Camera& camera, const CameraSettings& before,
                          const ChangeRequest& request);

}  // namespace device

// What a command asks of one camera (an IP mode with or without a persistent
// address, a user-defined name; an absent part is left as it is), judged
// against the settings the camera holds: the refusals that stop a change
// before anything is written, and the settings that differ. Nothing is
// written for a setting the camera already holds, so an unchanged plan
// applied every night wears no flash. Pure; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/camera_change.h"
#include "device/camera_settings.h"
#include "gvcp/status.h"

namespace device {

enum class IpMode { kPersistent, kDhcp, kLla };

// "persistent", "dhcp" or "lla", lower case.
const char* ipModeName(IpMode mode);
// The whole value the mode writes to the current configuration register of a
// camera whose supported register reads `supported`: LLA stays on in every
// mode (as in the dialogue's menu) where the camera offers it. A camera
// without LLA keeps only the bits it supports, so asking it for LLA beside
// another mode would never read back as written.
uint32_t configValue(IpMode mode, uint32_t supported);
// The bit of the supported configuration register that must be set.
uint32_t supportBit(IpMode mode);

struct DesiredState {
  std::optional<IpMode> mode;
  // Host-order values, checked already; only with kPersistent. Empty: keep
  // the camera's stored persistent address.
  std::optional<net::AddressSet> persistent;
  std::optional<std::string> name;  // checked already
  bool force = false;               // a mode the supported register does not offer
};

// One setting that differs: its name as scripts see it ("mode",
// "persistent_ip", "persistent_mask", "persistent_gateway", "user_name") and
// its value now and as asked, as text.
struct SettingChange {
  std::string setting;
  std::string from;
  std::string to;
};

// Why the change must not start (Fault::kFailed; Fault::kUsage for persistent
// IP without an address when the camera stores none); empty when it may.
// `who` opens the text ("camera at 192.168.10.11").
std::optional<gvcp::Status> refusal(const CameraSettings& now, const DesiredState& desired,
                                    const std::string& who);

// The settings that differ, in the order they are written: persistent
// address, mask, gateway, then the mode, then the name.
std::vector<SettingChange> changesFor(const CameraSettings& now, const DesiredState& desired);

// `desired` as register values; the mode as the bits `before` supports.
ChangeRequest changeRequestOf(const CameraSettings& before, const DesiredState& desired);

// The mode's text as scripts see it: "persistent", "dhcp", "lla", or the
// names of the bits joined by '+' for other values.
std::string modeOf(uint32_t ipConfig);

}  // namespace device

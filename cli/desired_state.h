// What a command asks of one camera (an IP mode with or without a persistent
// address, a user-defined name; an absent part is left as it is), judged
// against the settings the camera holds: the refusals that stop a change
// before anything is written, and the settings that differ. Nothing is
// written for a setting the camera already holds, so an unchanged plan
// applied every night wears no flash. Pure; any thread.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/address_rules.h"
#include "cli/input/camera_values.h"
#include "device/camera_settings.h"

namespace cli {

struct DesiredState {
  std::optional<IpMode> mode;
  // Host-order values, checked already; only with kPersistent. Empty: keep
  // the camera's stored persistent address.
  std::optional<AddressSet> persistent;
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

// Why the change must not start (exit 1; exit 2 for persistent IP without an
// address when the camera stores none); empty when it may. `who` opens the
// message ("camera at 192.168.10.11").
std::optional<CommandResult> refusal(const device::CameraSettings& now, const DesiredState& desired,
                                     const std::string& who);

// The settings that differ, in the order they are written: persistent
// address, mask, gateway, then the mode, then the name.
std::vector<SettingChange> changesFor(const device::CameraSettings& now,
                                      const DesiredState& desired);

// The mode's text as scripts see it: "persistent", "dhcp", "lla", or the
// names of the bits joined by '+' for other values.
std::string modeOf(uint32_t ipConfig);

nlohmann::ordered_json changesJson(const std::vector<SettingChange>& changes);

}  // namespace cli

// JSON for scripts: the camera object of list and show, the document around a
// command's result, and the writer that makes any camera text valid JSON
// (bytes that are not UTF-8 become U+FFFD; control characters are escaped).
// Pure.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/exit_code.h"
#include "device/camera_record.h"
#include "device/camera_settings.h"

namespace cli {

// "mac", "ip", "mask", "gateway", "adapter" (null when none), identity text
// (serial and user name null where the camera has no such register),
// "ip_config" {"supported", "current"}, "reachable", "shares_address_with"
// (the other cameras' MACs, empty when none) and "host_address".
nlohmann::ordered_json cameraJson(const device::CameraRecord& camera);
// cameraJson plus "persistent", "heartbeat_timeout_ms" and "control".
nlohmann::ordered_json settingsJson(const device::CameraRecord& camera,
                                    const device::CameraSettings& settings);

// {"ok": true, ...data} or {"ok": false, "error": {"code", "message"}, ...data}.
nlohmann::ordered_json resultDocument(const CommandResult& result);

// One line of JSON with invalid UTF-8 replaced and every control character
// (C0, DEL, C1) escaped.
std::string writeJson(const nlohmann::ordered_json& document);

}  // namespace cli

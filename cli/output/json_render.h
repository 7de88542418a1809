// JSON for scripts: the camera object of list and show, the document around a
// command's result, and the writer that makes any camera text valid JSON
// (bytes that are not UTF-8 become U+FFFD; control characters are escaped).
// Pure.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "cli/exit_code.h"
#include "cli/output/camera_view.h"
#include "device/camera_settings.h"

namespace cli {

// "mac", "ip", "mask", "gateway", "adapter" (null when none), identity text,
// "ip_config" {"supported", "current"} and "reachable".
nlohmann::ordered_json cameraJson(const CameraView& camera);
// cameraJson plus "persistent", "heartbeat_timeout_ms" and "control".
nlohmann::ordered_json settingsJson(const CameraView& camera,
                                    const device::CameraSettings& settings);

// {"ok": true, ...data} or {"ok": false, "error": {"code", "message"}, ...data}.
nlohmann::ordered_json resultDocument(const CommandResult& result);

// One line of JSON with invalid UTF-8 replaced.
std::string writeJson(const nlohmann::ordered_json& document);

}  // namespace cli

#include "cli/output/json_render.h"

#include <arpa/inet.h>

#include "gvcp/ip_config.h"
#include "net/ipv4address.h"
#include "net/macaddress.h"

namespace cli {

using json = nlohmann::ordered_json;

namespace {

json adapterJson(const std::optional<AdapterView>& adapter) {
  if (!adapter) return nullptr;
  return {{"name", adapter->name},
          {"ip", dottedQuad(adapter->ip)},
          {"mask", dottedQuad(adapter->mask)}};
}

// An optional register the camera does not have is null.
json optionalText(const std::optional<std::string>& text) {
  return text ? json(*text) : json(nullptr);
}

}  // namespace

json cameraJson(const CameraView& c) {
  return {{"mac", macText(c.mac)},
          {"ip", dottedQuad(c.ip)},
          {"mask", dottedQuad(c.mask)},
          {"gateway", dottedQuad(c.gateway)},
          {"adapter", adapterJson(c.adapter)},
          {"manufacturer", c.identity.manufacturer},
          {"model", c.identity.model},
          {"device_version", c.identity.deviceVersion},
          {"manufacturer_info", c.identity.manufacturerInfo},
          {"serial", optionalText(c.identity.serial)},
          {"user_name", optionalText(c.identity.userName)},
          {"ip_config",
           {{"supported", ipConfigNames(c.ipConfigSupported)},
            {"current", ipConfigNames(c.ipConfigCurrent)}}},
          {"reachable", c.reachable}};
}

json settingsJson(const CameraView& camera, const device::CameraSettings& s) {
  json object = cameraJson(camera);
  const device::IpTriple& p = s.persistent;
  object["persistent"] = {{"ip", dottedQuad(htonl(p.ip))},
                          {"mask", dottedQuad(htonl(p.mask))},
                          {"gateway", dottedQuad(htonl(p.gateway))}};
  object["heartbeat_timeout_ms"] = s.heartbeatTimeoutMs;
  // This host does not hold control while it reads, so any holder is another.
  object["control"] = {{"ccp", s.ccp}, {"held_by_other", s.ccp != 0}};
  return object;
}

json resultDocument(const CommandResult& result) {
  json document = {{"ok", result.code == ExitCode::kOk}};
  if (result.code != ExitCode::kOk) {
    document["error"] = {{"code", errorCodeName(result.code)}, {"message", result.message}};
  }
  for (const auto& [key, value] : result.data.items()) document[key] = value;
  return document;
}

std::string writeJson(const json& document) {
  return document.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace cli

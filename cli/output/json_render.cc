#include "cli/output/json_render.h"

#include <cstdio>

#include "gvcp/ip_config.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace cli {

using json = nlohmann::ordered_json;

namespace {

json adapterJson(const std::optional<device::AdapterRecord>& adapter) {
  if (!adapter) return nullptr;
  return {{"name", adapter->name}, {"ip", adapter->ip.text()}, {"mask", adapter->mask.text()}};
}

// An optional register the camera does not have is null.
json optionalText(const std::optional<std::string>& text) {
  return text ? json(*text) : json(nullptr);
}

json macList(const std::vector<net::Mac>& macs) {
  json list = json::array();
  for (const auto& mac : macs) list.push_back(net::macText(mac));
  return list;
}

}  // namespace

json cameraJson(const device::CameraRecord& c) {
  return {{"mac", net::macText(c.mac)},
          {"ip", c.ip.text()},
          {"mask", c.mask.text()},
          {"gateway", c.gateway.text()},
          {"adapter", adapterJson(c.adapter)},
          {"manufacturer", c.identity.manufacturer},
          {"model", c.identity.model},
          {"device_version", c.identity.deviceVersion},
          {"manufacturer_info", c.identity.manufacturerInfo},
          {"serial", optionalText(c.identity.serial)},
          {"user_name", optionalText(c.identity.userName)},
          {"ip_config",
           {{"supported", gvcp::ipConfigNames(c.ipConfigSupported)},
            {"current", gvcp::ipConfigNames(c.ipConfigCurrent)}}},
          {"reachable", c.reachable},
          {"shares_address_with", macList(c.sharesAddressWith)},
          {"host_address", c.hostAddress}};
}

json settingsJson(const device::CameraRecord& camera, const device::CameraSettings& s) {
  json object = cameraJson(camera);
  const net::AddressSet& p = s.persistent;
  object["persistent"] = {
      {"ip", p.ip.text()}, {"mask", p.mask.text()}, {"gateway", p.gateway.text()}};
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
  const std::string dumped = document.dump(-1, ' ', false, json::error_handler_t::replace);
  // The dump escapes C0 controls only; DEL and the C1 controls (U+0080 to
  // U+009F, two bytes C2 80 to C2 9F in UTF-8) would reach a terminal raw.
  // Outside strings the document is ASCII, so every such byte is in a string.
  std::string safe;
  safe.reserve(dumped.size());
  for (size_t i = 0; i < dumped.size(); ++i) {
    const auto byte = static_cast<unsigned char>(dumped[i]);
    const bool c1 = byte == 0xC2 && i + 1 < dumped.size() &&
                    (static_cast<unsigned char>(dumped[i + 1]) & 0xE0) == 0x80;
    if (byte != 0x7F && !c1) {
      safe += dumped[i];
      continue;
    }
    const unsigned code = c1 ? static_cast<unsigned char>(dumped[++i]) : byte;
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", code);
    safe += escaped;
  }
  return safe;
}

}  // namespace cli

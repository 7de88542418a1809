#include "cli/output/watch_render.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <sstream>

#include "cli/output/json_render.h"
#include "cli/output/table_render.h"
#include "device/camera_record.h"
#include "gvcp/ip_config.h"
#include "net/ipv4.h"

namespace cli {

using json = nlohmann::ordered_json;
using device::WatchEventKind;

namespace {

device::CameraRecord watchedView(const device::WatchedCamera& camera) {
  device::CameraRecord view = device::recordOf(camera.info);
  view.sharesAddressWith = camera.sharesWith;
  view.hostAddress = camera.hostAddress;
  return view;
}

// The seed's record keeps network order; its addresses are read here.
net::Ipv4 ipOf(const GigE_Camera_Info& c) { return net::Ipv4::fromNetwork(c.currentIp); }
net::Ipv4 maskOf(const GigE_Camera_Info& c) { return net::Ipv4::fromNetwork(c.currentSubnetMask); }
net::Ipv4 gatewayOf(const GigE_Camera_Info& c) { return net::Ipv4::fromNetwork(c.defaultGateway); }

json addressJson(const GigE_Camera_Info& c) {
  return {{"ip", ipOf(c).text()}, {"mask", maskOf(c).text()}, {"gateway", gatewayOf(c).text()}};
}

// The changed value of a change event, as JSON; null for other events.
json changedValue(WatchEventKind kind, const GigE_Camera_Info& c) {
  if (kind == WatchEventKind::kAddressChanged) return addressJson(c);
  if (kind == WatchEventKind::kModeChanged) return gvcp::ipConfigNames(c.ipConfigCurrent);
  return c.userDefinedName;
}

std::string changedText(WatchEventKind kind, const GigE_Camera_Info& c) {
  if (kind == WatchEventKind::kAddressChanged) {
    return addressWithMask(ipOf(c), maskOf(c)) + " gw " + gatewayOf(c).text();
  }
  if (kind == WatchEventKind::kModeChanged) return modeText(c.ipConfigCurrent);
  return "'" + gvcp::tableSafe(c.userDefinedName) + "'";
}

}  // namespace

std::string rfc3339(double epochSeconds) {
  const double whole = std::floor(epochSeconds);
  const auto seconds = static_cast<std::time_t>(whole);
  const int millis = std::min(999, static_cast<int>((epochSeconds - whole) * 1000));
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  std::array<char, 40> text{};
  const size_t n = std::strftime(text.data(), text.size(), "%Y-%m-%dT%H:%M:%S", &utc);
  std::snprintf(text.data() + n, text.size() - n, ".%03dZ", millis);
  return text.data();
}

json watchEventJson(const device::WatchEvent& event, double time) {
  json object = {{"event", device::eventName(event.kind)}, {"time", rfc3339(time)}};
  object["mac"] = nullptr;
  object["adapter"] = event.adapter;
  if (!event.camera) return object;
  const json camera = cameraJson(watchedView(*event.camera));  // items() holds no copy
  for (const auto& [key, value] : camera.items()) {
    if (key != "adapter") object[key] = value;
  }
  if (event.before) {
    object["from"] = changedValue(event.kind, *event.before);
    object["to"] = changedValue(event.kind, event.camera->info);
  }
  return object;
}

std::string watchEventText(const device::WatchEvent& event, double time) {
  std::string line = rfc3339(time) + " " + device::eventName(event.kind) + " " + event.adapter;
  if (!event.camera) return line;
  const GigE_Camera_Info& c = event.camera->info;
  line += " " + c.cameraMac + " " + ipOf(c).text() + " " + gvcp::tableSafe(c.modelName) + " " +
          gvcp::tableSafe(c.serialNumber) + " '" + gvcp::tableSafe(c.userDefinedName) + "'";
  if (event.before) {
    line += " " + changedText(event.kind, *event.before) + " -> " + changedText(event.kind, c);
  }
  return line;
}

std::string labelValue(const std::string& text) {
  std::string out;
  for (const char ch : text) {
    if (ch == '\\')
      out += "\\\\";
    else if (ch == '"')
      out += "\\\"";
    else if (ch == '\n')
      out += "\\n";
    else if (ch < 0x20 || ch == 0x7F)
      out += '?';  // bytes above 0x7F are negative chars
    else
      out += ch;
  }
  return out;
}

namespace {

// The shortest text that reads back as `value`: a timestamp keeps every digit.
std::string sampleValue(double value) {
  std::array<char, 32> text{};
  const auto end = std::to_chars(text.data(), text.data() + text.size(), value).ptr;
  return std::string(text.data(), end);
}

// One metric family: its HELP and TYPE lines, then its samples.
class Family {
 public:
  Family(std::ostringstream& out, const char* name, const char* type, const char* help)
      : out_(out), name_(name) {
    out_ << "# HELP " << name << " " << help << "\n# TYPE " << name << " " << type << "\n";
  }
  void sample(const std::vector<std::pair<const char*, std::string>>& labels, double value) {
    out_ << name_;
    const char* separator = "{";
    for (const auto& [label, text] : labels) {
      out_ << separator << label << "=\"" << labelValue(text) << "\"";
      separator = ",";
    }
    out_ << (labels.empty() ? " " : "} ") << sampleValue(value) << "\n";
  }

 private:
  std::ostringstream& out_;
  const char* name_;
};

using Labels = std::vector<std::pair<const char*, std::string>>;

Labels cameraLabels(const device::WatchedCamera& c) {
  return {{"mac", c.info.cameraMac}, {"adapter", c.info.adaptor.getName()}};
}

void cameraFamilies(std::ostringstream& out, const device::WatchState& state) {
  const auto& cameras = state.cameras();
  Family up(out, "nuv_gige_camera_up", "gauge",
            "1 while the camera answers discovery, 0 once it is lost");
  for (const auto& [key, c] : cameras) {
    Labels labels = cameraLabels(c);
    labels.insert(labels.end(), {{"ip", ipOf(c.info).text()},
                                 {"model", c.info.modelName},
                                 {"serial", c.info.serialNumber},
                                 {"name", c.info.userDefinedName}});
    up.sample(labels, c.up ? 1 : 0);
  }
  Family seen(out, "nuv_gige_camera_last_seen_timestamp_seconds", "gauge",
              "When the camera last answered discovery, seconds since the epoch");
  for (const auto& [key, c] : cameras) seen.sample(cameraLabels(c), c.lastSeen);
  Family conflict(out, "nuv_gige_camera_address_conflict", "gauge",
                  "1 while another camera on its link or this host has the camera's address");
  for (const auto& [key, c] : cameras) conflict.sample(cameraLabels(c), c.conflict ? 1 : 0);
  Family outside(out, "nuv_gige_camera_outside_subnet", "gauge",
                 "1 while the camera's address is outside its adapter's subnet");
  for (const auto& [key, c] : cameras) outside.sample(cameraLabels(c), c.outsideSubnet ? 1 : 0);
  Family speed(out, "nuv_gige_camera_link_speed_mbps", "gauge",
               "The camera's link speed in Mb/s, where it offers the register");
  for (const auto& [key, c] : cameras) {
    if (c.linkSpeedMbps) speed.sample(cameraLabels(c), *c.linkSpeedMbps);
  }
}

}  // namespace

std::string prometheusText(const device::WatchState& state, const RoundFigures& figures) {
  std::ostringstream out;
  cameraFamilies(out, state);
  std::map<std::string, int> perAdapter;
  for (const auto& [name, up] : state.adapters()) perAdapter[name] = 0;
  for (const auto& [key, c] : state.cameras()) perAdapter[c.info.adaptor.getName()] += c.up;
  Family count(out, "nuv_gige_cameras", "gauge", "Cameras answering on the adapter");
  for (const auto& [name, n] : perAdapter) count.sample({{"adapter", name}}, n);
  Family duration(out, "nuv_gige_discovery_duration_seconds", "gauge",
                  "How long the last round's discovery on the adapter took");
  for (const auto& [name, seconds] : figures.discoverySeconds)
    duration.sample({{"adapter", name}}, seconds);
  Family rounds(out, "nuv_gige_rounds_total", "counter", "Discovery rounds done");
  rounds.sample({}, static_cast<double>(state.rounds()));
  return out.str();
}

}  // namespace cli

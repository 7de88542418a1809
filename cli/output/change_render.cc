#include "cli/output/change_render.h"

#include <vector>

#include "cli/output/table_render.h"
#include "gvcp/ip_config.h"

namespace cli {
namespace {

using device::DesiredState;
using device::IpMode;
using device::SettingChange;

// A failed change: what failed, and what the camera holds now.
CommandResult failedChange(const device::ChangeFailure& failed,
                           const std::vector<std::string>& written, const std::string& who,
                           const std::string& askedName) {
  std::string message = who + ": ";
  if (failed.nameReadsBack) {
    message += "the user-defined name reads back as '" + gvcp::tableSafe(*failed.nameReadsBack) +
               "', not '" + askedName + "'";
  } else {
    message += failed.what;
  }
  if (failed.failedAt != "user_name") {
    // The configuration register comes last: a failure before it never wrote it.
    if (failed.failedAt != "mode") message += "; the IP configuration was not changed";
    if (!failed.holdsNow) {
      message += "; what it holds now could not be read";
    } else if (failed.holdsNow->empty()) {
      message += "; it holds the settings it had before";
    } else {
      std::string held;
      for (const device::HeldSetting& s : *failed.holdsNow) {
        held +=
            (held.empty() ? "" : ", ") + s.setting + " " +
            (s.setting == "mode" ? device::modeOf(s.value) : net::Ipv4::fromHost(s.value).text());
      }
      message += "; it now holds " + held;
    }
  }
  CommandResult result = failure(ExitCode::kFailed, message);
  result.data["done"] = written;
  return result;
}

// The fields and text of the mode a change asked for.
void describeMode(CommandResult& result, const device::CameraSettings& before,
                  const DesiredState& desired, const std::string& verb) {
  const IpMode mode = *desired.mode;
  const uint32_t value = device::configValue(mode, before.ipConfigSupported);
  const bool supported = (before.ipConfigSupported & device::supportBit(mode)) != 0;
  result.data["mode"] = device::ipModeName(mode);
  result.data["ip_config"] = {{"current", gvcp::ipConfigNames(value)}};
  result.text += ": IP configuration " + verb + " " + modeText(value);
  if (mode == IpMode::kPersistent) {
    const net::AddressSet set = desired.persistent.value_or(before.persistent);
    result.data["persistent"] = {{"ip", set.ip.text()},
                                 {"mask", set.mask.text()},
                                 {"gateway", set.gateway.text()},
                                 {"kept", !desired.persistent}};
    result.text += std::string(desired.persistent ? ", " : ", keeping its ") +
                   "persistent address " + net::cidrText(set.ip, set.mask) + " gateway " +
                   set.gateway.text();
  }
  result.data["supported"] = supported;
  if (!supported) result.text += " (not among its supported configurations; forced)";
}

// The report of a change: what was asked, whether anything was written.
CommandResult described(const device::CameraSettings& before, const DesiredState& desired,
                        const std::vector<SettingChange>& changes, const std::string& who,
                        bool written, const std::string& verb) {
  CommandResult result;
  result.data["changed"] = written;
  result.data["changes"] = changesJson(changes);
  result.text = who;
  if (desired.mode) describeMode(result, before, desired, verb);
  if (desired.name) {
    result.data["user_name"] = *desired.name;
    result.text += (desired.mode ? "; " : ": ") + std::string("user-defined name ") + verb + " '" +
                   *desired.name + "'";
  }
  result.text += "\n";
  return result;
}

}  // namespace

nlohmann::ordered_json changesJson(const std::vector<SettingChange>& changes) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const SettingChange& c : changes) {
    list.push_back({{"setting", c.setting}, {"from", c.from}, {"to", c.to}});
  }
  return list;
}

CommandResult changeResult(const device::ChangeOutcome& outcome,
                           const device::CameraSettings& before, const DesiredState& desired,
                           const std::string& who) {
  if (outcome.failure) {
    return failedChange(*outcome.failure, outcome.written, who, desired.name.value_or(""));
  }
  const std::vector<SettingChange> changes = device::changesFor(before, desired);
  if (changes.empty()) return reportWithoutWrites(before, desired, who, false);
  return described(before, desired, changes, who, true, "set to");
}

CommandResult reportWithoutWrites(const device::CameraSettings& now, const DesiredState& desired,
                                  const std::string& who, bool check) {
  const std::vector<SettingChange> changes = device::changesFor(now, desired);
  CommandResult result = described(now, desired, changes, who, false, "already");
  if (check) {
    result.text = who + (changes.empty() ? ": nothing would change\n" : ": would change");
    for (size_t i = 0; i < changes.size(); ++i) {
      result.text += (i == 0 ? " " : ", ") + changes[i].setting + " " +
                     gvcp::tableSafe(changes[i].from) + " -> " + gvcp::tableSafe(changes[i].to);
    }
    if (!changes.empty()) result.text += "\n";
  }
  return result;
}

}  // namespace cli

#include "cli/camera_changes.h"

#include <array>
#include <vector>

#include "cli/output/table_render.h"
#include "device/ip_config_writer.h"
#include "device/register_reads.h"
#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/ip_config.h"
#include "gvcp/registers.h"

namespace cli {
namespace {

using NameField = std::array<uint8_t, reg::kUserDefinedNameLen>;

NameField nameField(const std::string& name) {
  NameField field{};  // NUL after the name and in every byte behind it
  std::copy(name.begin(), name.end(), field.begin());
  return field;
}

std::string cidrText(const AddressSet& set) {
  return dottedText(set.ip) + "/" + std::to_string(prefixLength(set.mask));
}

// One register write of the address-and-mode unit: what it sets, and the
// value the camera held before.
struct PlannedWrite {
  device::RegisterWrite write;
  uint32_t previous = 0;
  const char* setting = "";
};

std::vector<PlannedWrite> planOf(const device::CameraSettings& before,
                                 const DesiredState& desired) {
  std::vector<PlannedWrite> plan;
  const auto add = [&](const device::RegisterWrite& w, uint32_t previous, const char* setting) {
    if ((w.value & w.checked) != (previous & w.checked)) plan.push_back({w, previous, setting});
  };
  std::optional<device::IpTriple> persistent;
  if (desired.persistent) {
    persistent = {desired.persistent->ip, desired.persistent->mask, desired.persistent->gateway};
  }
  std::optional<uint32_t> config;
  if (desired.mode) {
    config = device::withPauseBitsOf(before.ipConfigCurrent, configValue(*desired.mode, before.ipConfigSupported));
  }
  const device::IpTriple& was = before.persistent;
  const uint32_t previous[] = {was.ip, was.mask, was.gateway, before.ipConfigCurrent};
  const char* settings[] = {"persistent_ip", "persistent_mask", "persistent_gateway", "mode"};
  const std::vector<device::RegisterWrite> all = device::ipConfigWrites({persistent, config});
  const size_t first = persistent ? 0 : 3;  // without an address the plan is the mode alone
  for (size_t i = 0; i < all.size(); ++i) add(all[i], previous[first + i], settings[first + i]);
  return plan;
}

// What the camera holds after a failed unit, in a clause, and the settings
// that hold new values ("done").
CommandResult failedUnit(Camera& camera, const std::vector<PlannedWrite>& plan,
                         const device::WriteFailure& failed, const std::string& who) {
  std::vector<device::RegisterWrite> writes;
  std::vector<uint32_t> previous;
  for (const PlannedWrite& p : plan) {
    writes.push_back(p.write);
    previous.push_back(p.previous);
  }
  const std::vector<std::optional<uint32_t>> now =
      device::putBack(camera, writes, failed.index, previous);
  std::string message = who + ": " + failed.what;
  // The configuration register comes last: a failure before it never wrote it.
  if (writes[failed.index].address != reg::kIpConfigCurrent) {
    message += "; the IP configuration was not changed";
  }
  nlohmann::ordered_json done = nlohmann::ordered_json::array();
  std::string held;
  bool unread = false;
  for (size_t i = 0; i < plan.size(); ++i) {
    if (!now[i]) {
      unread = true;
    } else if ((*now[i] & writes[i].checked) != (previous[i] & writes[i].checked)) {
      done.push_back(plan[i].setting);
      held += std::string(held.empty() ? "" : ", ") + plan[i].setting + " " +
              (writes[i].address == reg::kIpConfigCurrent ? modeOf(*now[i]) : dottedText(*now[i]));
    }
  }
  if (unread) {
    message += "; what it holds now could not be read";
  } else if (held.empty()) {
    message += "; it holds the settings it had before";
  } else {
    message += "; it now holds " + held;
  }
  CommandResult result = failure(ExitCode::kFailed, message);
  result.data["done"] = done;
  return result;
}

CommandResult writeUserName(Camera& camera, const std::string& who, const std::string& name) {
  NameField field = nameField(name);
  const gvcp::Status written = gvcp::Status::FromExchange(
      camera.writemem(reg::kUserDefinedName, field.data(), static_cast<int>(field.size())),
      "write of the user-defined name");
  if (!written.ok()) return failure(ExitCode::kFailed, who + ": " + written.toString());
  NameField back{};
  const gvcp::Status read = device::readMemory(camera, reg::kUserDefinedName, back);
  if (!read.ok()) return failure(ExitCode::kFailed, who + ": " + read.toString());
  if (back != field) {
    return failure(ExitCode::kFailed, who + ": the user-defined name reads back as '" +
                                          tableSafe(textField(back.data(), back.size())) +
                                          "', not '" + name + "'");
  }
  return {};
}

// The fields and text of the mode a change asked for.
void describeMode(CommandResult& result, const device::CameraSettings& before,
                  const DesiredState& desired, const std::string& verb) {
  const IpMode mode = *desired.mode;
  const uint32_t value = configValue(mode, before.ipConfigSupported);
  const bool supported = (before.ipConfigSupported & supportBit(mode)) != 0;
  result.data["mode"] = ipModeName(mode);
  result.data["ip_config"] = {{"current", ipConfigNames(value)}};
  result.text += ": IP configuration " + verb + " " + modeText(value);
  if (mode == IpMode::kPersistent) {
    const AddressSet set = desired.persistent.value_or(
        AddressSet{before.persistent.ip, before.persistent.mask, before.persistent.gateway});
    result.data["persistent"] = {{"ip", dottedText(set.ip)},
                                 {"mask", dottedText(set.mask)},
                                 {"gateway", dottedText(set.gateway)},
                                 {"kept", !desired.persistent}};
    result.text += std::string(desired.persistent ? ", " : ", keeping its ") +
                   "persistent address " + cidrText(set) + " gateway " + dottedText(set.gateway);
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

CommandResult applyChanges(Camera& camera, const device::CameraSettings& before,
                           const DesiredState& desired, const std::string& who) {
  const std::vector<SettingChange> changes = changesFor(before, desired);
  if (changes.empty()) return reportWithoutWrites(before, desired, who, false);
  const std::vector<PlannedWrite> plan = planOf(before, desired);
  std::vector<device::RegisterWrite> writes;
  for (const PlannedWrite& p : plan) writes.push_back(p.write);
  const device::WriteOutcome written =
      device::writeIpConfig(camera, writes, device::Verify::kReadBack);
  if (written.failure) return failedUnit(camera, plan, *written.failure, who);
  if (desired.name && before.identity.userName != desired.name) {
    CommandResult named = writeUserName(camera, who, *desired.name);
    if (named.code != ExitCode::kOk) {
      named.data["done"] = nlohmann::ordered_json::array();
      for (const PlannedWrite& p : plan) named.data["done"].push_back(p.setting);
      return named;
    }
  }
  return described(before, desired, changes, who, true, "set to");
}

CommandResult reportWithoutWrites(const device::CameraSettings& now, const DesiredState& desired,
                                  const std::string& who, bool check) {
  const std::vector<SettingChange> changes = changesFor(now, desired);
  CommandResult result = described(now, desired, changes, who, false, "already");
  if (check) {
    result.text = who + (changes.empty() ? ": nothing would change\n" : ": would change");
    for (size_t i = 0; i < changes.size(); ++i) {
      result.text += (i == 0 ? " " : ", ") + changes[i].setting + " " + tableSafe(changes[i].from) +
                     " -> " + tableSafe(changes[i].to);
    }
    if (!changes.empty()) result.text += "\n";
  }
  return result;
}

}  // namespace cli

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

// A stored persistent address is one the camera could start with.
bool holdsPersistentAddress(const device::IpTriple& stored) {
  return isContiguousMask(stored.mask) && !hostAddressProblem(stored.ip, stored.mask);
}

std::string cidrText(const AddressSet& set) {
  return dottedText(set.ip) + "/" + std::to_string(prefixLength(set.mask));
}

using NameField = std::array<uint8_t, reg::kUserDefinedNameLen>;

NameField nameField(const std::string& name) {
  NameField field{};  // NUL after the name and in every byte behind it
  std::copy(name.begin(), name.end(), field.begin());
  return field;
}

// The persistent values, when the change stores any; host order.
std::optional<device::IpTriple> persistentOf(const ModeChange& change) {
  if (!change.persistent) return std::nullopt;
  return device::IpTriple{change.persistent->ip, change.persistent->mask,
                          change.persistent->gateway};
}

std::optional<CommandResult> refusal(const device::CameraSettings& before, const ModeChange& change,
                                     const std::string& who) {
  const bool supported = (before.ipConfigSupported & supportBit(change.mode)) != 0;
  if (!supported && !change.force) {
    return failure(ExitCode::kFailed, who + " does not offer " + ipModeName(change.mode) +
                                          " (supported: " + modeText(before.ipConfigSupported) +
                                          "); --force writes it anyway");
  }
  if (change.mode == IpMode::kPersistent && !change.persistent &&
      !holdsPersistentAddress(before.persistent)) {
    return failure(ExitCode::kUsage, who +
                                         " holds no persistent address: --ip and --mask are "
                                         "required with --mode persistent");
  }
  return std::nullopt;
}

CommandResult success(const device::CameraSettings& before, const ModeChange& change,
                      const std::string& who) {
  CommandResult result;
  const bool supported = (before.ipConfigSupported & supportBit(change.mode)) != 0;
  result.data["mode"] = ipModeName(change.mode);
  result.data["ip_config"] = {{"current", ipConfigNames(configValue(change.mode))}};
  result.text = who + ": IP configuration set to " + modeText(configValue(change.mode));
  if (change.mode == IpMode::kPersistent) {
    const AddressSet set = change.persistent.value_or(
        AddressSet{before.persistent.ip, before.persistent.mask, before.persistent.gateway});
    result.data["persistent"] = {{"ip", dottedText(set.ip)},
                                 {"mask", dottedText(set.mask)},
                                 {"gateway", dottedText(set.gateway)},
                                 {"kept", !change.persistent}};
    result.text += std::string(change.persistent ? ", " : ", keeping its ") +
                   "persistent address " + cidrText(set) + " gateway " + dottedText(set.gateway);
  }
  result.data["supported"] = supported;
  if (!supported) result.text += " (not among its supported configurations; forced)";
  result.text += "\n";
  return result;
}

}  // namespace

CommandResult changeMode(Camera& camera, const device::CameraSettings& before,
                         const ModeChange& change, const std::string& who) {
  if (std::optional<CommandResult> refused = refusal(before, change, who)) return *refused;
  const std::vector<device::RegisterWrite> plan =
      device::ipConfigWrites({persistentOf(change), configValue(change.mode)});
  const device::WriteOutcome written =
      device::writeIpConfig(camera, plan, device::Verify::kReadBack);
  if (written.failure) {
    // The configuration register is written last: a failure before it left
    // the IP configuration as it was.
    const bool configFailed = plan[written.failure->index].address == reg::kIpConfigCurrent;
    return failure(ExitCode::kFailed,
                   who + ": " + written.failure->what +
                       (configFailed ? "" : "; the IP configuration was not changed"));
  }
  return success(before, change, who);
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
  CommandResult result;
  result.data["user_name"] = name;
  result.text = who + ": user-defined name set to '" + name + "'\n";
  return result;
}

}  // namespace cli

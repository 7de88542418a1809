#include "cli/desired_state.h"

#include "cli/output/table_render.h"
#include "device/ip_config_writer.h"
#include "gvcp/registers.h"

namespace cli {
namespace {

// A stored persistent address is one the camera could start with.
bool holdsPersistentAddress(const net::AddressSet& stored) {
  return isContiguousMask(stored.mask) && !hostAddressProblem(stored.ip, stored.mask);
}

void compare(std::vector<SettingChange>& changes, const char* setting, uint32_t now,
             uint32_t asked) {
  if (now != asked) changes.push_back({setting, dottedText(now), dottedText(asked)});
}

}  // namespace

std::string modeOf(uint32_t ipConfig) {
  const uint32_t mode = ipConfig & device::kIpConfigModeBits;
  // With LLA beside it or without (a camera that does not offer LLA).
  if (mode == 0) return modeText(mode);
  for (const IpMode m : {IpMode::kPersistent, IpMode::kDhcp, IpMode::kLla}) {
    if (configValue(m, gvcp::Registers::kIpConfigLla) == (mode | gvcp::Registers::kIpConfigLla))
      return ipModeName(m);
  }
  return modeText(mode);
}

std::optional<CommandResult> refusal(const device::CameraSettings& now, const DesiredState& desired,
                                     const std::string& who) {
  if (desired.name && !now.identity.userName) {
    return failure(ExitCode::kFailed,
                   who + " has no user-defined name register; nothing was written");
  }
  if (!desired.mode) return std::nullopt;
  const IpMode mode = *desired.mode;
  const bool supported = (now.ipConfigSupported & supportBit(mode)) != 0;
  if (!supported && !desired.force) {
    return failure(ExitCode::kFailed, who + " does not offer " + ipModeName(mode) +
                                          " (supported: " + modeText(now.ipConfigSupported) +
                                          "); --force writes it anyway");
  }
  if (mode == IpMode::kPersistent && !desired.persistent &&
      !holdsPersistentAddress(now.persistent)) {
    return failure(ExitCode::kUsage, who +
                                         " holds no persistent address: --ip and --mask are "
                                         "required with --mode persistent");
  }
  return std::nullopt;
}

std::vector<SettingChange> changesFor(const device::CameraSettings& now,
                                      const DesiredState& desired) {
  std::vector<SettingChange> changes;
  if (desired.persistent) {
    compare(changes, "persistent_ip", now.persistent.ip, desired.persistent->ip);
    compare(changes, "persistent_mask", now.persistent.mask, desired.persistent->mask);
    compare(changes, "persistent_gateway", now.persistent.gateway, desired.persistent->gateway);
  }
  if (desired.mode) {
    const uint32_t mode = now.ipConfigCurrent & device::kIpConfigModeBits;
    if (mode != configValue(*desired.mode, now.ipConfigSupported)) {
      changes.push_back({"mode", modeOf(mode), ipModeName(*desired.mode)});
    }
  }
  if (desired.name && now.identity.userName != desired.name) {
    changes.push_back({"user_name", now.identity.userName.value_or(""), *desired.name});
  }
  return changes;
}

nlohmann::ordered_json changesJson(const std::vector<SettingChange>& changes) {
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  for (const SettingChange& c : changes) {
    list.push_back({{"setting", c.setting}, {"from", c.from}, {"to", c.to}});
  }
  return list;
}

}  // namespace cli

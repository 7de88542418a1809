#include "device/desired_state.h"

#include <iterator>

#include "device/fault.h"
#include "device/ip_config_writer.h"
#include "gvcp/ip_config.h"
#include "gvcp/registers.h"

namespace device {
namespace {

// The modes in the order of the configuration bit table.
constexpr IpMode kModes[] = {IpMode::kPersistent, IpMode::kDhcp, IpMode::kLla};
static_assert(std::size(kModes) == gvcp::kIpConfigBits.size());

const gvcp::IpConfigBit& entry(IpMode mode) {
  return gvcp::kIpConfigBits[static_cast<size_t>(mode)];
}

// A stored persistent address is one the camera could start with.
bool holdsPersistentAddress(const net::AddressSet& stored) {
  return net::isContiguousMask(stored.mask) && !net::hostAddressProblem(stored.ip, stored.mask);
}

void compare(std::vector<SettingChange>& changes, const char* setting, net::Ipv4 now,
             net::Ipv4 asked) {
  if (now != asked) changes.push_back({setting, now.text(), asked.text()});
}

}  // namespace

const char* ipModeName(IpMode mode) { return entry(mode).name; }
uint32_t configValue(IpMode mode, uint32_t supported) {
  return entry(mode).bit | (supported & gvcp::Registers::kIpConfigLla);
}
uint32_t supportBit(IpMode mode) { return entry(mode).bit; }

std::string modeOf(uint32_t ipConfig) {
  const uint32_t mode = ipConfig & kIpConfigModeBits;
  // With LLA beside it or without (a camera that does not offer LLA).
  if (mode == 0) return gvcp::modeText(mode);
  for (const IpMode m : kModes) {
    if (configValue(m, gvcp::Registers::kIpConfigLla) == (mode | gvcp::Registers::kIpConfigLla))
      return ipModeName(m);
  }
  return gvcp::modeText(mode);
}

std::optional<gvcp::Status> refusal(const CameraSettings& now, const DesiredState& desired,
                                    const std::string& who) {
  if (desired.name && !now.identity.userName) {
    return fault(Fault::kFailed, who + " has no user-defined name register; nothing was written");
  }
  if (!desired.mode) return std::nullopt;
  const IpMode mode = *desired.mode;
  const bool supported = (now.ipConfigSupported & supportBit(mode)) != 0;
  if (!supported && !desired.force) {
    return fault(Fault::kFailed, who + " does not offer " + ipModeName(mode) +
                                     " (supported: " + gvcp::modeText(now.ipConfigSupported) +
                                     "); --force writes it anyway");
  }
  if (mode == IpMode::kPersistent && !desired.persistent &&
      !holdsPersistentAddress(now.persistent)) {
    return fault(Fault::kUsage, who +
                                    " holds no persistent address: --ip and --mask are "
                                    "required with --mode persistent");
  }
  return std::nullopt;
}

std::vector<SettingChange> changesFor(const CameraSettings& now, const DesiredState& desired) {
  std::vector<SettingChange> changes;
  if (desired.persistent) {
    compare(changes, "persistent_ip", now.persistent.ip, desired.persistent->ip);
    compare(changes, "persistent_mask", now.persistent.mask, desired.persistent->mask);
    compare(changes, "persistent_gateway", now.persistent.gateway, desired.persistent->gateway);
  }
  if (desired.mode) {
    const uint32_t mode = now.ipConfigCurrent & kIpConfigModeBits;
    if (mode != configValue(*desired.mode, now.ipConfigSupported)) {
      changes.push_back({"mode", modeOf(mode), ipModeName(*desired.mode)});
    }
  }
  if (desired.name && now.identity.userName != desired.name) {
    changes.push_back({"user_name", now.identity.userName.value_or(""), *desired.name});
  }
  return changes;
}

ChangeRequest changeRequestOf(const CameraSettings& before, const DesiredState& desired) {
  ChangeRequest request;
  request.persistent = desired.persistent;
  if (desired.mode) request.modeBits = configValue(*desired.mode, before.ipConfigSupported);
  request.name = desired.name;
  return request;
}

}  // namespace device

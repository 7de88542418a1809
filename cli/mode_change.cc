#include "cli/mode_change.h"

#include <cstdio>
#include <vector>

#include "cli/output/table_render.h"
#include "gvcp/camera.h"
#include "gvcp/ip_config.h"
#include "gvcp/registers.h"
#include "ipconfig/register_reads.h"

namespace cli {
namespace {

struct RegisterWrite {
  uint32_t address;
  uint32_t value;
  const char* name;
};

// A stored persistent address is one the camera could start with.
bool holdsPersistentAddress(const IpTriple& stored) {
  return isContiguousMask(stored.mask) && !hostAddressProblem(stored.ip, stored.mask);
}

std::string registerText(const RegisterWrite& w) {
  char text[80];
  std::snprintf(text, sizeof text, "the %s (register 0x%04X)", w.name, w.address);
  return text;
}

std::string hexWord(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string cidrText(const AddressSet& set) {
  return dottedText(set.ip) + "/" + std::to_string(prefixLength(set.mask));
}

// The persistent registers come first, so the mode that uses them is
// switched on only once they hold the new address.
std::vector<RegisterWrite> planWrites(const ModeChange& change) {
  std::vector<RegisterWrite> plan;
  if (change.persistent) {
    plan.push_back({reg::kPersistentIp, change.persistent->ip, "persistent IP address"});
    plan.push_back({reg::kPersistentSubnetMask, change.persistent->mask, "persistent subnet mask"});
    plan.push_back({reg::kPersistentGateway, change.persistent->gateway, "persistent gateway"});
  }
  plan.push_back({reg::kIpConfigCurrent, configValue(change.mode), "current IP configuration"});
  return plan;
}

// Each register is read back before the next is written, so a failed or
// altered write ends the unit with the configuration register, written last,
// untouched: the new mode is never switched on over a wrong address.
std::optional<CommandResult> writeChecked(Camera& camera, const RegisterWrite& w,
                                          const std::string& who) {
  const std::string tail =
      w.address == reg::kIpConfigCurrent ? "" : "; the IP configuration was not changed";
  const auto failed = [&](const std::string& what) {
    return failure(ExitCode::kFailed, who + ": " + what + tail);
  };
  const int result = camera.writereg(w.address, w.value);
  if (result != 0) {
    return failed(gvcp::Status::FromExchange(result, "write of " + registerText(w)).toString());
  }
  uint32_t value = 0;
  const gvcp::Status read = readRegister(camera, w.address, value);
  if (!read.ok()) return failed("read-back of " + registerText(w) + ": " + read.toString());
  if (value != w.value) {
    return failed(registerText(w) + " reads back " + hexWord(value) + ", written " +
                  hexWord(w.value));
  }
  return std::nullopt;
}

std::optional<CommandResult> refusal(const CameraSettings& before, const ModeChange& change,
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

CommandResult success(const CameraSettings& before, const ModeChange& change,
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

CommandResult changeMode(Camera& camera, const CameraSettings& before, const ModeChange& change,
                         const std::string& who) {
  if (std::optional<CommandResult> refused = refusal(before, change, who)) return *refused;
  const std::vector<RegisterWrite> plan = planWrites(change);
  for (const RegisterWrite& w : plan) {
    if (std::optional<CommandResult> failed = writeChecked(camera, w, who)) return *failed;
  }
  return success(before, change, who);
}

}  // namespace cli

#include "device/camera_change.h"

#include <algorithm>
#include <array>

#include "device/ip_config_writer.h"
#include "device/register_reads.h"
#include "gvcp/camera.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"

namespace device {
namespace {

using NameField = std::array<uint8_t, gvcp::Registers::kUserDefinedNameLen>;

NameField nameField(const std::string& name) {
  NameField field{};  // NUL after the name and in every byte behind it
  std::copy_n(name.begin(), std::min(name.size(), field.size()), field.begin());
  return field;
}

// The writes of the unit that change something, each with the value the
// camera held before and the setting it belongs to.
struct Plan {
  std::vector<RegisterWrite> writes;
  std::vector<uint32_t> previous;
  std::vector<const char*> settings;
};

Plan planOf(const CameraSettings& before, const ChangeRequest& request) {
  std::optional<uint32_t> configuration;
  if (request.modeBits) configuration = withPauseBitsOf(before.ipConfigCurrent, *request.modeBits);
  const net::AddressSet& was = before.persistent;
  const uint32_t previous[] = {was.ip.host(), was.mask.host(), was.gateway.host(),
                               before.ipConfigCurrent};
  const char* settings[] = {"persistent_ip", "persistent_mask", "persistent_gateway", "mode"};
  const std::vector<RegisterWrite> all = ipConfigWrites({request.persistent, configuration});
  const size_t first = request.persistent ? 0 : 3;  // without an address the unit is the mode alone
  Plan plan;
  for (size_t i = 0; i < all.size(); ++i) {
    const RegisterWrite& w = all[i];
    if ((w.value & w.checked) == (previous[first + i] & w.checked)) continue;
    plan.writes.push_back(w);
    plan.previous.push_back(previous[first + i]);
    plan.settings.push_back(settings[first + i]);
  }
  return plan;
}

// The unit failed: what it reached is put back, and every register read.
// The settings read as changed are `written`, even when another read failed.
void failedUnit(Camera& camera, const Plan& plan, const WriteFailure& failed,
                ChangeOutcome& outcome) {
  const std::vector<std::optional<uint32_t>> now =
      putBack(camera, plan.writes, failed.index, plan.previous);
  std::vector<HeldSetting> held;
  bool unread = false;
  for (size_t i = 0; i < plan.writes.size(); ++i) {
    const uint32_t checked = plan.writes[i].checked;
    if (!now[i]) {
      unread = true;
    } else if ((*now[i] & checked) != (plan.previous[i] & checked)) {
      held.push_back({plan.settings[i], *now[i]});
      outcome.written.push_back(plan.settings[i]);
    }
  }
  outcome.failure = ChangeFailure{plan.settings[failed.index], failed.what, {}, {}};
  if (!unread) outcome.failure->holdsNow = std::move(held);
}

// The failure of the name's write or read-back; none when it holds.
std::optional<ChangeFailure> writeUserName(Camera& camera, const std::string& name) {
  NameField field = nameField(name);  // writemem takes a mutable buffer
  const gvcp::Status written =
      gvcp::Status::FromExchange(camera.writemem(gvcp::Registers::kUserDefinedName, field.data(),
                                                 static_cast<int>(field.size())),
                                 "write of the user-defined name");
  if (!written.ok()) return ChangeFailure{"user_name", written.toString(), {}, {}};
  NameField back{};
  const gvcp::Status read = readMemory(camera, gvcp::Registers::kUserDefinedName, back);
  if (!read.ok()) return ChangeFailure{"user_name", read.toString(), {}, {}};
  if (back == field) return std::nullopt;
  return ChangeFailure{"user_name", "", gvcp::textField(back.data(), back.size()), {}};
}

}  // namespace

ChangeOutcome applyChange(Camera& camera, const CameraSettings& before,
                          const ChangeRequest& request) {
  const Plan plan = planOf(before, request);
  ChangeOutcome outcome;
  const WriteOutcome unit = writeIpConfig(camera, plan.writes, Verify::kReadBack);
  if (unit.failure) {
    failedUnit(camera, plan, *unit.failure, outcome);
    return outcome;
  }
  outcome.written.assign(plan.settings.begin(), plan.settings.end());
  if (request.name && before.identity.userName != request.name) {
    outcome.failure = writeUserName(camera, *request.name);
    if (!outcome.failure) outcome.written.push_back("user_name");
  }
  return outcome;
}

}  // namespace device

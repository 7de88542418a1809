#include "cli/commands/set_command.h"

#include "cli/camera_changes.h"
#include "cli/camera_restart.h"
#include "cli/input/address_rules.h"
#include "cli/under_control.h"
#include "device/camera_settings.h"
#include "net/macaddress.h"

namespace cli {

namespace {

std::string withoutLineEnd(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// The restart judges the return by what the change just stored.
RestartExpectation expectationAfter(const device::CameraSettings& before,
                                    const cli::ModeChange& change) {
  const uint32_t persistentIp = change.persistent ? change.persistent->ip : before.persistent.ip;
  return {before.mac, cli::configValue(change.mode), persistentIp};
}

// `changed` (the mode change's result) with the restart's camera and restart
// fields and its line; a failed restart keeps saying what was written.
CommandResult withRestart(CommandResult changed, CommandResult restarted) {
  if (restarted.code != ExitCode::kOk) {
    restarted.message = withoutLineEnd(changed.text) + "; then " + restarted.message;
    return restarted;
  }
  changed.data["camera"] = restarted.data["camera"];
  changed.data["restart"] = restarted.data["restart"];
  changed.text += restarted.text;
  return changed;
}

// Fields in the order camera, then what the change reports.
CommandResult withCamera(const CommandResult& changed, const device::CameraSettings& before,
                         const std::string& address) {
  CommandResult result = changed;
  result.data = {{"camera", {{"mac", macText(before.mac)}, {"ip", address}}}};
  result.data.update(changed.data);
  return result;
}

}  // namespace

CommandResult runSet(const Invocation& invocation, const Selector& selector,
                     const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                     std::ostream& err) {
  return runUnderControl(
      invocation, selector, adapters, signals, err,
      [&](device::CameraSession& session, const std::string& address) {
        device::CameraSettings before;
        const std::string who = "camera at " + address;
        if (auto ended = readSettingsBefore(session.camera(), who, signals, before)) return *ended;
        const cli::ModeChange change{*invocation.mode, invocation.addresses, invocation.force};
        CommandResult changed =
            withCamera(cli::changeMode(session.camera(), before, change, "camera at " + address),
                       before, address);
        if (changed.code != ExitCode::kOk) return changed;
        if (!invocation.restart) {
          changed.text += "the new configuration takes effect when the camera restarts\n";
          return changed;
        }
        if (signals.stopRequested()) {
          return failure(ExitCode::kInterrupted,
                         "interrupted before the restart: " + withoutLineEnd(changed.text));
        }
        return withRestart(std::move(changed),
                           restartAndRediscover(session, address, expectationAfter(before, change),
                                                invocation, adapters, signals, err));
      });
}

}  // namespace cli

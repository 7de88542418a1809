#include "cli/commands/restart_command.h"

#include "cli/camera_restart.h"
#include "cli/under_control.h"
#include "device/camera_settings.h"

namespace cli {

CommandResult runRestart(const Invocation& invocation, const Selector& selector,
                         const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                         std::ostream& err) {
  return runUnderControl(
      invocation, selector, adapters, signals, err, audit::Action::kRestart,
      [&](device::CameraSession& session, const std::string& address) {
        // Its MAC to find it again, its configuration to judge where it comes back.
        device::CameraSettings before;
        const std::string who = "camera at " + address;
        if (auto ended = readSettingsBefore(session.camera(), who, signals, before)) return *ended;
        const device::RestartConfig config{before.ipConfigCurrent, before.persistent.ip};
        return restartAndRediscover(session, before.mac, config, invocation, adapters, signals,
                                    err);
      });
}

}  // namespace cli

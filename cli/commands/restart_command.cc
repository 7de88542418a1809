#include "cli/commands/restart_command.h"

#include "cli/camera_restart.h"
#include "cli/under_control.h"
#include "device/camera_settings.h"

CommandResult runRestart(const Invocation& invocation, const Selector& selector,
                         const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                         std::ostream& err) {
  return runUnderControl(
      invocation, selector, adapters, signals, err,
      [&](device::CameraSession& session, const std::string& address) {
        // Its MAC to find it again, its configuration to judge where it comes back.
        device::CameraSettings before;
        if (auto failed = readSettingsOf(session.camera(), "camera at " + address, before))
          return *failed;
        if (signals.stopRequested()) return interrupted();
        const RestartExpectation expected{before.mac, before.ipConfigCurrent, before.persistent.ip};
        return restartAndRediscover(session, address, expected, invocation, adapters, signals, err);
      });
}

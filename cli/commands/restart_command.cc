#include "cli/commands/camera_frame.h"
#include "device/camera_settings.h"

namespace cli {

CommandResult runRestart(const CommandContext& context) {
  return runUnderControl(
      context, audit::Action::kRestart,
      [&](device::CameraSession& session, const std::string& address) {
        // Its MAC to find it again, its configuration to judge where it comes back.
        device::CameraSettings before;
        const std::string who = "camera at " + address;
        const gvcp::Status read = device::readCameraSettings(session.camera(), before);
        if (!read.ok()) return failureOf(read, who);
        if (context.signals->stopRequested()) return interrupted();
        const device::RestartConfig config{before.ipConfigCurrent, before.persistent.ip};
        return restartAndRediscover(session, before, config, context);
      });
}

}  // namespace cli

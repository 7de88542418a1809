#include "cli/commands/restart_command.h"

#include <cstdio>

#include "cli/commands/camera_frame.h"
#include "cli/input/address_rules.h"
#include "device/camera_settings.h"

namespace cli {

namespace {

CommandResult report(const std::string& mac, const device::RestartReturn& back, std::ostream& err) {
  const double seconds = back.after.count();
  CommandResult result;
  result.data["camera"] = {{"mac", mac}, {"ip", back.ip.text()}};
  result.data["restart"] = {{"seconds", seconds}, {"as_expected", !back.unexpected}};
  if (back.unexpected) result.data["restart"]["expected"] = *back.unexpected;
  char text[160];
  std::snprintf(text, sizeof text, "camera %s restarted, back at %s after %.1f s\n", mac.c_str(),
                back.ip.text().c_str(), seconds);
  result.text = text;
  if (back.unexpected) {
    err << "warning: camera " << mac << " came back at " << back.ip.text() << ", "
        << *back.unexpected << "\n";
  }
  return result;
}

}  // namespace

CommandResult restartAndRediscover(device::CameraSession& session, const net::Mac& mac,
                                   const device::RestartConfig& config,
                                   const Invocation& invocation,
                                   const std::vector<Adaptor>& adapters,
                                   const os::SignalGuard& signals, std::ostream& err) {
  const device::ReturnSearch search{adapters, std::chrono::seconds(invocation.waitS),
                                    [&signals] { return signals.stopRequested(); }, std::nullopt};
  const device::RestartReturn back =
      device::restartAndReturn(session, {mac, true, search, config, std::nullopt});
  if (!back.status.ok()) return failureOf(back.status);
  return report(net::macText(mac), back, err);
}

CommandResult runRestart(const Invocation& invocation, const Selector& selector,
                         const std::vector<Adaptor>& adapters, const os::SignalGuard& signals,
                         std::ostream& err) {
  return runUnderControl(
      invocation, selector, adapters, signals, err, audit::Action::kRestart,
      [&](device::CameraSession& session, const std::string& address) {
        // Its MAC to find it again, its configuration to judge where it comes back.
        device::CameraSettings before;
        const std::string who = "camera at " + address;
        const gvcp::Status read = device::readCameraSettings(session.camera(), before);
        if (!read.ok()) return failureOf(read, who);
        if (signals.stopRequested()) return interrupted();
        const device::RestartConfig config{before.ipConfigCurrent, before.persistent.ip};
        return restartAndRediscover(session, before.mac, config, invocation, adapters, signals,
                                    err);
      });
}

}  // namespace cli

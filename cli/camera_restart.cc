#include "cli/camera_restart.h"

#include <cstdio>

#include "cli/input/address_rules.h"

namespace cli {

namespace {

CommandResult report(const std::string& mac, const device::RestartReturn& back, std::ostream& err) {
  const double seconds = back.after.count();
  CommandResult result;
  result.data["camera"] = {{"mac", mac}, {"ip", dottedText(back.ip)}};
  result.data["restart"] = {{"seconds", seconds}, {"as_expected", !back.unexpected}};
  if (back.unexpected) result.data["restart"]["expected"] = *back.unexpected;
  char text[160];
  std::snprintf(text, sizeof text, "camera %s restarted, back at %s after %.1f s\n", mac.c_str(),
                dottedText(back.ip).c_str(), seconds);
  result.text = text;
  if (back.unexpected) {
    err << "warning: camera " << mac << " came back at " << dottedText(back.ip) << ", "
        << *back.unexpected << "\n";
  }
  return result;
}

}  // namespace

CommandResult restartAndRediscover(device::CameraSession& session, const net::Mac& mac,
                                   const device::RestartConfig& config,
                                   const Invocation& invocation,
                                   const std::vector<Adaptor>& adapters,
                                   const cli::SignalGuard& signals, std::ostream& err) {
  device::RestartPlan plan{
      mac, true,
      device::ReturnSearch{adapters, std::chrono::seconds(invocation.waitS),
                           [&signals] { return signals.stopRequested(); }, std::nullopt},
      config, std::nullopt};
  const device::RestartReturn back = device::restartAndReturn(session, plan);
  if (!back.status.ok()) return failureOf(back.status);
  return report(macText(mac), back, err);
}

}  // namespace cli

#include "cli/camera_restart.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <optional>

#include "cli/input/address_rules.h"
#include "cli/restart_wait.h"
#include "device/camera_return.h"
#include "net/macaddress.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

CommandResult report(const RestartExpectation& expected, uint32_t cameBackAt, double seconds,
                     std::ostream& err) {
  const std::string mac = macText(expected.mac);
  const std::optional<std::string> surprise =
      cli::unexpectedReturn(expected.ipConfig, expected.persistentIp, cameBackAt);
  CommandResult result;
  result.data["camera"] = {{"mac", mac}, {"ip", cli::dottedText(cameBackAt)}};
  result.data["restart"] = {{"seconds", seconds}, {"as_expected", !surprise}};
  if (surprise) result.data["restart"]["expected"] = *surprise;
  char text[160];
  std::snprintf(text, sizeof text, "camera %s restarted, back at %s after %.1f s\n", mac.c_str(),
                cli::dottedText(cameBackAt).c_str(), seconds);
  result.text = text;
  if (surprise) {
    err << "warning: camera " << mac << " came back at " << cli::dottedText(cameBackAt) << ", "
        << *surprise << "\n";
  }
  return result;
}

}  // namespace

CommandResult restartAndRediscover(device::CameraSession& session, const std::string& address,
                                   const RestartExpectation& expected, const Invocation& invocation,
                                   const std::vector<Adaptor>& adapters,
                                   const cli::SignalGuard& signals, std::ostream& err) {
  const auto start = Clock::now();
  if (session.requestRestart() == device::RestartRequest::kStillRunning) {
    return failure(ExitCode::kFailed, "camera at " + address + " did not restart");
  }
  const device::ReturnSearch search{adapters, std::chrono::seconds(invocation.waitS),
                                    [&signals] { return signals.stopRequested(); }, std::nullopt};
  const std::optional<GigE_Camera_Info> back = device::awaitByMac(expected.mac, search);
  if (signals.stopRequested()) return interrupted();
  if (!back) {
    return failure(ExitCode::kFailed, "camera " + macText(expected.mac) +
                                          " did not answer a discovery within " +
                                          std::to_string(invocation.waitS) + " s of its restart");
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return report(expected, ntohl(back->sourceIp), seconds, err);
}

}  // namespace cli

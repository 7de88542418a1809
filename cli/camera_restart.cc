#include "cli/camera_restart.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

#include "cli/discovery_run.h"
#include "cli/input/address_rules.h"
#include "cli/restart_wait.h"
#include "gvcp/registers.h"
#include "net/macaddress.h"

namespace {

using Clock = std::chrono::steady_clock;

// Discoveries until one finds `mac`; its address in host order, or nothing
// at the deadline or on a stop signal.
std::optional<uint32_t> awaitReturn(const std::array<uint8_t, 6>& mac, const Invocation& invocation,
                                    const std::vector<Adaptor>& adapters,
                                    const cli::SignalGuard& signals, std::ostream& err) {
  const auto deadline = Clock::now() + std::chrono::seconds(invocation.waitS);
  while (Clock::now() < deadline && !signals.stopRequested()) {
    const DiscoveryOutcome found = discoverForCommandLine(adapters, invocation.timeoutMs, err);
    for (const GigE_Camera_Info& camera : found.cameras) {
      if (std::memcmp(camera.cameraMacHw, mac.data(), mac.size()) != 0) continue;
      uint32_t ip = 0;
      if (::inet_pton(AF_INET, camera.cameraIp.c_str(), &ip) == 1) return ntohl(ip);
    }
  }
  return std::nullopt;
}

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

std::string macText(const std::array<uint8_t, 6>& mac) {
  MacAddress value;
  value.setMac(mac.data(), static_cast<int>(mac.size()));
  return value.getMacInStr(false);
}

CommandResult restartAndRediscover(ControlSession& session, const std::string& address,
                                   const RestartExpectation& expected, const Invocation& invocation,
                                   const std::vector<Adaptor>& adapters,
                                   const cli::SignalGuard& signals, std::ostream& err) {
  const auto start = Clock::now();
  session.camera().writereg(reg::kRebootRequest, reg::kRebootMagic, false);
  session.endedByRestart();
  // Any answer, even a refusal, comes from a camera that is still running.
  if (session.camera().writereg(reg::kCcp, reg::kCcpRelease) >= 0) {
    return failure(ExitCode::kFailed, "camera at " + address + " did not restart");
  }
  const std::optional<uint32_t> back =
      awaitReturn(expected.mac, invocation, adapters, signals, err);
  if (signals.stopRequested()) return failure(ExitCode::kInterrupted, "interrupted");
  if (!back) {
    return failure(ExitCode::kFailed, "camera " + macText(expected.mac) +
                                          " did not answer a discovery within " +
                                          std::to_string(invocation.waitS) + " s of its restart");
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  return report(expected, *back, seconds, err);
}

#include "cli/under_control.h"

namespace cli {

namespace {

bool stopped(const cli::SignalGuard* signals) {
  return signals != nullptr && signals->stopRequested();
}

}  // namespace

CommandResult underControl(uint32_t ip, const std::string& who, const cli::SignalGuard* signals,
                           const ControlledWork& work) {
  if (stopped(signals)) return interrupted();
  device::CameraSession session(ip, device::SessionPolicy{});
  if (!session.take().ok()) return failure(ExitCode::kFailed, who + " did not grant control");
  if (stopped(signals)) return interrupted();
  CommandResult result = work(session);
  const gvcp::Status released = session.release();
  if (!released.ok() && result.code == ExitCode::kOk) {
    return failure(ExitCode::kFailed, who + ": " + released.toString());
  }
  return result;
}

CommandResult runUnderControl(const Invocation& invocation, const Selector& selector,
                              const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                              std::ostream& err, const AddressedWork& work) {
  const TargetLookup lookup = findCamera(invocation, selector, adapters, err);
  if (!lookup.target) return lookup.failure;
  const std::string& address = lookup.target->address;
  return underControl(lookup.target->ip, "camera at " + address, &signals,
                      [&](device::CameraSession& session) { return work(session, address); });
}

std::optional<CommandResult> readSettingsOf(Camera& camera, const std::string& who,
                                            device::CameraSettings& settings) {
  const gvcp::Status read = device::readCameraSettings(camera, settings);
  if (read.ok()) return std::nullopt;
  return failure(ExitCode::kFailed, who + ": " + read.toString());
}

std::optional<CommandResult> readSettingsBefore(Camera& camera, const std::string& who,
                                                const SignalGuard& signals,
                                                device::CameraSettings& settings) {
  if (auto failed = readSettingsOf(camera, who, settings)) return failed;
  if (signals.stopRequested()) return interrupted();
  return std::nullopt;
}

}  // namespace cli

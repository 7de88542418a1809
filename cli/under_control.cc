#include "cli/under_control.h"

#include "cli/camera_changes.h"
#include "cli/change_audit.h"

namespace cli {

namespace {

bool stopped(const cli::SignalGuard* signals) {
  return signals != nullptr && signals->stopRequested();
}

}  // namespace

CommandResult underControl(const device::CameraTarget& target, const std::string& who,
                           const SignalGuard* signals, const ControlledWork& work) {
  if (stopped(signals)) return interrupted();
  device::CameraSession session(device::sessionTarget(target), device::SessionPolicy{});
  if (const gvcp::Status taken = session.take(); !taken.ok()) {
    if (taken.code() == device::SessionSite::kNotGranted) {
      return failure(ExitCode::kFailed, who + " did not grant control");
    }
    return failure(ExitCode::kFailed, who + ": " + taken.toString() + "; nothing was written");
  }
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
                              std::ostream& err, audit::Action action, const AddressedWork& work) {
  const Relocation found = findChangeable(invocation, selector, adapters, signals, err);
  if (found.failure) return *found.failure;
  const std::string& address = found.target.address;
  const CommandResult result =
      underControl(found.target, "camera at " + address, &signals,
                   [&](device::CameraSession& session) { return work(session, address); });
  recordChange(action, found.target, result, false);
  return withTemporaryIp(result, found);
}

std::optional<CommandResult> readSettingsOf(Camera& camera, const std::string& who,
                                            device::CameraSettings& settings,
                                            std::optional<uint32_t> capabilities) {
  const gvcp::Status read = device::readCameraSettings(camera, settings, capabilities);
  if (read.ok()) return std::nullopt;
  return failureOf(read, who);
}

std::optional<CommandResult> readSettingsBefore(Camera& camera, const std::string& who,
                                                const SignalGuard& signals,
                                                device::CameraSettings& settings) {
  if (auto failed = readSettingsOf(camera, who, settings)) return failed;
  if (signals.stopRequested()) return interrupted();
  return std::nullopt;
}

WhileProbing readAheadInto(std::optional<ReadAhead>& ahead) {
  return [&ahead](const device::CameraTarget& target) {
    device::CameraSettings settings;
    if (device::readTarget(target, settings).ok()) ahead = ReadAhead{target, settings};
  };
}

CommandResult reachState(const device::CameraTarget& target, const std::string& who,
                         const StateRequest& request, const SignalGuard* signals,
                         StateAccount* trace) {
  StateAccount local;
  StateAccount& did = trace != nullptr ? *trace : local;
  device::CameraSettings now;
  std::optional<CommandResult> unread;
  const std::optional<ReadAhead>& ahead = request.ahead;
  if (ahead && ahead->target.ip == target.ip && ahead->target.mac == target.mac) {
    now = ahead->settings;
  } else if (const gvcp::Status read = device::readTarget(target, now); !read.ok()) {
    unread = failureOf(read, who);
  }
  // A camera another application holds exclusively refuses even reads: the
  // take of control below then says so.
  if (unread && request.check) return *unread;
  if (!unread) {
    did.startedFrom = now;
    if (auto refused = refusal(now, request.desired, who)) return *refused;
    // What the record of the change says: the settings that differ, and
    // whether any of them holds a new value (a later failure makes it partial).
    did.planned = changesFor(now, request.desired);
    if (request.check || (did.planned.empty() && !request.then)) {
      return reportWithoutWrites(now, request.desired, who, request.check);
    }
  }
  // The settings read just now are the ones the change starts from: after
  // the take, only the identity check stands between them and the writes.
  device::CameraTarget held = target;
  if (!unread) held.capabilities = now.capabilities;
  CommandResult result = underControl(held, who, signals, [&](device::CameraSession& session) {
    device::CameraSettings before = now;
    if (unread) {
      if (auto failed = readSettingsOf(session.camera(), who, before)) return *failed;
      did.startedFrom = before;
      if (stopped(signals)) return interrupted();
      if (auto refused = refusal(before, request.desired, who)) return *refused;
      did.planned = changesFor(before, request.desired);
    }
    const device::ChangeOutcome outcome =
        device::applyChange(session.camera(), before, changeRequestOf(before, request.desired));
    did.written = outcome.written;
    CommandResult changed = changeResult(outcome, before, request.desired, who);
    if (changed.code != ExitCode::kOk || !request.then) return changed;
    return request.then(session, before, std::move(changed));
  });
  const bool renameOnly = !request.desired.mode && request.desired.name;
  recordChange(renameOnly ? audit::Action::kRename : audit::Action::kSet, target, result,
               !did.written.empty(), did.planned);
  return result;
}

}  // namespace cli

#include "cli/commands/camera_frame.h"

#include "cli/change_audit.h"
#include "cli/output/change_render.h"
#include "device/fault.h"

namespace cli {

namespace {

device::StopCheck stopCheckOf(const cli::SignalGuard* signals) {
  if (signals == nullptr) return {};
  return [signals] { return signals->stopRequested(); };
}

// The work's result, unless the frame around it failed a good one.
CommandResult settled(const std::optional<CommandResult>& worked, const gvcp::Status& status) {
  if (worked && (worked->code != ExitCode::kOk || status.ok())) return *worked;
  return failureOf(status);
}

// What the device's frame hears of a command's result.
gvcp::Status statusOf(const CommandResult& result) {
  return result.code == ExitCode::kOk ? gvcp::Status::Ok()
                                      : device::fault(device::Fault::kFailed, result.message);
}

}  // namespace

CommandResult underControl(const device::CameraTarget& target, const std::string& who,
                           const SignalGuard* signals, const ControlledWork& work) {
  std::optional<CommandResult> worked;
  const gvcp::Status status =
      device::underControl(target, who, stopCheckOf(signals), [&](device::CameraSession& session) {
        worked = work(session);
        return statusOf(*worked);
      });
  return settled(worked, status);
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

std::optional<CommandResult> readSettingsBefore(Camera& camera, const std::string& who,
                                                const SignalGuard& signals,
                                                device::CameraSettings& settings) {
  const gvcp::Status read = device::readCameraSettings(camera, settings);
  if (!read.ok()) return failureOf(read, who);
  if (signals.stopRequested()) return interrupted();
  return std::nullopt;
}

CommandResult reachState(const device::CameraTarget& target, const std::string& who,
                         const StateRequest& request, const SignalGuard* signals,
                         StateAccount* trace) {
  device::StateRequest asked{request.desired, request.ahead, request.check, {}};
  std::optional<CommandResult> worked;
  if (request.then) {
    asked.then = [&](device::CameraSession& session, const device::CameraSettings& before,
                     const device::ChangeOutcome& change) {
      worked = request.then(session, before, changeResult(change, before, request.desired, who));
      return statusOf(*worked);
    };
  }
  const device::StateOutcome did = device::reachState(target, who, asked, stopCheckOf(signals));
  if (!worked && did.change) {
    worked = changeResult(*did.change, did.startedFrom, request.desired, who);
  }
  const std::vector<std::string> written =
      did.change ? did.change->written : StateAccount{}.written;
  if (trace != nullptr) *trace = {did.startedFrom, did.planned, written};
  if (!did.soughtControl) {
    if (!did.status.ok()) return failureOf(did.status);
    return reportWithoutWrites(did.startedFrom, request.desired, who, request.check);
  }
  const CommandResult result = settled(worked, did.status);
  const bool renameOnly = !request.desired.mode && request.desired.name;
  recordChange(renameOnly ? audit::Action::kRename : audit::Action::kSet, target, result,
               !written.empty(), did.planned);
  return result;
}

}  // namespace cli

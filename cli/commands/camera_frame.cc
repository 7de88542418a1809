#include "cli/commands/camera_frame.h"

#include "cli/camera/change_audit.h"
#include "cli/output/change_render.h"
#include "device/fault.h"

namespace cli {

namespace {

device::StopCheck stopCheckOf(const os::SignalGuard* signals) {
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

CommandResult runUnderControl(const Invocation& invocation, const Selector& selector,
                              const std::vector<Adaptor>& adapters, const os::SignalGuard& signals,
                              std::ostream& err, audit::Action action, const AddressedWork& work) {
  const Relocation found = findChangeable(invocation, selector, adapters, signals, err);
  if (found.failure) return *found.failure;
  const std::string& address = found.target.address;
  std::optional<CommandResult> worked;
  const gvcp::Status status = device::underControl(found.target, "camera at " + address,
                                                   stopCheckOf(&signals), [&](auto& session) {
                                                     worked = work(session, address);
                                                     return statusOf(*worked);
                                                   });
  const CommandResult result = settled(worked, status);
  recordChange(action, found.target, result, false);
  return withTemporaryIp(result, found);
}

CommandResult reachState(const device::CameraTarget& target, const std::string& who,
                         const StateRequest& request, const os::SignalGuard* signals,
                         StateAccount* trace, const ThenWork& then) {
  StateRequest asked = request;
  std::optional<CommandResult> worked;
  asked.then = nullptr;
  if (then) {
    asked.then = [&](auto& session, const auto& before, const device::ChangeOutcome& change) {
      worked = then(session, before, changeResult(change, before, request.desired, who));
      return statusOf(*worked);
    };
  }
  const device::StateOutcome did = device::reachState(target, who, asked, stopCheckOf(signals));
  // Control sought and a good status: the writes ran (and the release held).
  if (!worked && (did.change.failure || did.status.ok())) {
    worked = changeResult(did.change, did.startedFrom, request.desired, who);
  }
  if (trace != nullptr) *trace = did;
  if (!did.soughtControl) {
    if (!did.status.ok()) return failureOf(did.status);
    return reportWithoutWrites(did.startedFrom, request.desired, who, request.check);
  }
  const CommandResult result = settled(worked, did.status);
  const bool renameOnly = !request.desired.mode && request.desired.name;
  recordChange(renameOnly ? audit::Action::kRename : audit::Action::kSet, target, result,
               !did.change.written.empty(), did.planned);
  return result;
}

}  // namespace cli

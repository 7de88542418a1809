#include "cli/commands/camera_frame.h"

#include <cstdio>

#include "cli/camera/change_audit.h"
#include "cli/output/change_render.h"
#include "device/fault.h"
#include "net/macaddress.h"

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

CommandResult restartReport(const std::string& mac, const device::RestartReturn& back,
                            std::ostream& err) {
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

Relocation findChangeable(const CommandContext& context, const device::WhileProbing& alongside) {
  const Invocation& invocation = context.invocation;
  const bool readOnly = invocation.check || invocation.dryRun;
  device::ChangeLookup found = device::findChangeable(*context.selector, context.adapters,
                                                      windowOf(invocation), readOnly, alongside);
  const device::Lookup lookup = noteLookup(std::move(found.lookup), context.err);
  if (!lookup.target) return {{}, std::nullopt, lookupFailure(lookup)};
  if (readOnly) return {*lookup.target, std::nullopt, std::nullopt};
  return moveOffSharedAddress(*lookup.target, found.sharers, invocation.timeoutMs, *context.signals,
                              context.err, context.host);
}

CommandResult runUnderControl(const CommandContext& context, audit::Action action,
                              const AddressedWork& work) {
  const Relocation found = findChangeable(context);
  if (found.failure) return *found.failure;
  const std::string address = found.target.ip.text();
  std::optional<CommandResult> worked;
  const gvcp::Status status = device::underControl(
      found.target, "camera at " + address, stopCheckOf(context.signals), [&](auto& session) {
        worked = work(session, address);
        return statusOf(*worked);
      });
  const CommandResult result = settled(worked, status);
  recordChange(action, found.target, result, false);
  return withTemporaryIp(result, found);
}

CommandResult withCamera(CommandResult result, const device::CameraTarget& target) {
  nlohmann::ordered_json data = {
      {"camera", {{"mac", net::macText(target.mac)}, {"ip", target.ip.text()}}}};
  data.update(result.data);
  result.data = std::move(data);
  return result;
}

CommandResult restartAndRediscover(device::CameraSession& session,
                                   const device::CameraSettings& before,
                                   const device::RestartConfig& config,
                                   const CommandContext& context) {
  const os::SignalGuard& signals = *context.signals;
  const device::ReturnSearch search{
      context.adapters, std::chrono::seconds(context.invocation.waitS),
      [&signals] { return signals.stopRequested(); }, std::nullopt, before.identity.serial};
  const device::RestartReturn back =
      device::restartAndReturn(session, {before.mac, true, search, config, std::nullopt});
  if (!back.status.ok()) return failureOf(back.status);
  return restartReport(net::macText(before.mac), back, context.err);
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
  CommandResult result = settled(worked, did.status);
  // The frame failed after the writes (the release unanswered): the failure
  // says what they changed, as a failed write does.
  const std::vector<std::string>& written = did.change.written;
  if (result.code != ExitCode::kOk && !written.empty() && !result.data.contains("done")) {
    std::string names;
    for (const std::string& name : written) names += (names.empty() ? "" : ", ") + name;
    result.message += "; it holds what was written: " + names;
    result.data["done"] = written;
  }
  const bool renameOnly = !request.desired.mode && request.desired.name;
  recordChange(renameOnly ? audit::Action::kRename : audit::Action::kSet, target, result,
               !written.empty(), did.planned);
  return result;
}

}  // namespace cli

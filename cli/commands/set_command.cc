#include "cli/camera/change_audit.h"
#include "cli/camera/shared_address.h"
#include "cli/commands/camera_frame.h"
#include "device/camera_settings.h"
#include "device/force_ip_port.h"
#include "net/macaddress.h"

namespace cli {

namespace {

std::string withoutLineEnd(std::string text) {
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// The restart judges the return by what the change just stored.
device::RestartConfig configAfter(const device::CameraSettings& before,
                                  const device::DesiredState& desired) {
  const net::Ipv4 persistentIp = desired.persistent ? desired.persistent->ip : before.persistent.ip;
  return {configValue(*desired.mode, before.ipConfigSupported), persistentIp};
}

// `changed` (the change's result) with the restart's camera and restart
// fields and its line; a failed restart keeps saying what was written.
CommandResult withRestart(CommandResult changed, CommandResult restarted) {
  if (restarted.code != ExitCode::kOk) {
    restarted.message = withoutLineEnd(changed.text) + "; then " + restarted.message;
    return restarted;
  }
  changed.data["camera"] = restarted.data["camera"];
  changed.data["restart"] = restarted.data["restart"];
  changed.text += restarted.text;
  return changed;
}

// --now: the persistent address the change stored (asked, or the one the
// camera kept), given at once by FORCEIP through the camera's adapter and
// confirmed by a discovery there.
CommandResult withAddressNow(CommandResult changed, const device::CameraTarget& target,
                             const AddressSet& set, net::PacketSocket arpSocket,
                             const CommandContext& context) {
  if (!target.adapter) {
    return failure(ExitCode::kFailed, withoutLineEnd(changed.text) + "; but camera at " +
                                          target.ip.text() +
                                          " is behind no adapter of this host: --now cannot "
                                          "give it the address");
  }
  device::NetworkPort port(target, std::move(arpSocket), context.invocation.timeoutMs);
  CommandResult forced = runRecordedForceIp(
      audit::Action::kForceIp, target, device::forceIpPlan(target, set, false, false, context.host),
      port, *context.signals, context.err);
  if (forced.code != ExitCode::kOk) {
    forced.message = withoutLineEnd(changed.text) + "; then " + forced.message;
    return forced;
  }
  changed.data["now"] = forced.data;
  changed.text += forced.text;
  return changed;
}

}  // namespace

CommandResult runSet(const CommandContext& context) {
  const Invocation& invocation = context.invocation;
  const os::SignalGuard& signals = *context.signals;
  // With --now the privilege of the ARP probe is checked before anything is sent.
  std::variant<net::PacketSocket, gvcp::Status> arpSocket;
  if (invocation.now) {
    arpSocket = device::openProbeSocket("set --now");
    if (auto* refused = std::get_if<gvcp::Status>(&arpSocket)) return failureOf(*refused);
  }
  StateRequest request;
  const Relocation found = findChangeable(context, readAheadInto(request.ahead));
  if (found.failure) return *found.failure;
  const device::CameraTarget& target = found.target;
  request.desired = {invocation.mode, invocation.addresses, std::nullopt, invocation.force};
  request.check = invocation.check;
  ThenWork then;
  if (invocation.restart) {
    then = [&](device::CameraSession& session, const device::CameraSettings& before,
               CommandResult changed) {
      if (signals.stopRequested()) {
        return failure(ExitCode::kInterrupted,
                       "interrupted before the restart: " + withoutLineEnd(changed.text));
      }
      return withRestart(
          std::move(changed),
          restartAndRediscover(session, before, configAfter(before, request.desired), context));
    };
  }
  StateAccount account;
  CommandResult result =
      reachState(target, "camera at " + target.ip.text(), request, &signals, &account, then);
  if (result.code == ExitCode::kOk && invocation.now) {
    const AddressSet set = invocation.addresses.value_or(account.startedFrom.persistent);
    result = withAddressNow(std::move(result), target, set,
                            std::move(std::get<net::PacketSocket>(arpSocket)), context);
  } else if (result.code == ExitCode::kOk && !invocation.restart && !invocation.check &&
             !account.planned.empty()) {
    result.text += "the new configuration takes effect when the camera restarts\n";
  }
  return withTemporaryIp(withCamera(std::move(result), target), found);
}

}  // namespace cli

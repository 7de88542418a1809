#include "cli/camera/change_audit.h"

#include "audit/audit_trail.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace cli {

audit::Result auditResultOf(const CommandResult& result, bool written) {
  if (result.code == ExitCode::kOk) return audit::Result::kOk;
  return written ? audit::Result::kPartial : audit::Result::kFailed;
}

audit::ChangeRecord changeRecordOf(audit::Action action, const device::CameraTarget& target,
                                   const CommandResult& result, bool written,
                                   const std::vector<SettingChange>& changes) {
  audit::ChangeRecord record;
  record.action = action;
  record.result = auditResultOf(result, written);
  record.cameraMac = net::macText(target.mac);
  record.cameraIp = target.ip.text();
  record.adapter = target.adapter ? target.adapter->getName() : target.interface;
  for (const SettingChange& change : changes) {
    record.changes.push_back({change.setting, change.from, change.to});
  }
  if (result.code != ExitCode::kOk) record.failure = result.message;
  return record;
}

void recordChange(audit::Action action, const device::CameraTarget& target,
                  const CommandResult& result, bool written,
                  const std::vector<SettingChange>& changes) {
  audit::recordChange(changeRecordOf(action, target, result, written, changes));
}

CommandResult recordForceIp(audit::Action action, const device::CameraTarget& target,
                            const ForceIpPlan& plan, const device::ForceIpOutcome& outcome,
                            std::ostream& err) {
  const CommandResult result = renderForceIp(plan, outcome, err);
  if (outcome.sent) {
    const SettingChange ip{"ip", plan.currentIp.text(), outcome.sent->text()};
    recordChange(action, target, result, false, {ip});
  }
  return result;
}

CommandResult runRecordedForceIp(audit::Action action, const device::CameraTarget& target,
                                 const ForceIpPlan& plan, ForceIpPort& port,
                                 const os::SignalGuard& signals, std::ostream& err) {
  return recordForceIp(action, target, plan,
                       device::forceIp(plan, port, [&] { return signals.stopRequested(); }), err);
}

}  // namespace cli

// The command line's records of the changes it makes to cameras, for the
// audit trail (audit/audit_trail.h): one record per change, built from the
// camera the command worked on and its typed result. Only what reached the
// camera is recorded: checks, dry runs and refusals before anything was sent
// are not. The caller's thread; apply's rows may record at the same time.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "audit/change_record.h"
#include "cli/camera/camera_lookup.h"
#include "cli/camera/force_ip_flow.h"
#include "cli/exit_code.h"
#include "device/desired_state.h"
#include "os/signal_guard.h"

namespace cli {

using device::SettingChange;

// ok for kOk; partial when the command failed once something was
// `written` (a setting holds a new value); failed otherwise.
audit::Result auditResultOf(const CommandResult& result, bool written);

// The record of `action` on `target` that ended in `result`.
audit::ChangeRecord changeRecordOf(audit::Action action, const device::CameraTarget& target,
                                   const CommandResult& result, bool written,
                                   const std::vector<SettingChange>& changes = {});

void recordChange(audit::Action action, const device::CameraTarget& target,
                  const CommandResult& result, bool written,
                  const std::vector<SettingChange>& changes = {});

// FORCEIP's `outcome` for `plan`, rendered, and recorded as `action` (the
// address the camera had and the one sent) once FORCEIP was sent.
CommandResult recordForceIp(audit::Action action, const device::CameraTarget& target,
                            const ForceIpPlan& plan, const device::ForceIpOutcome& outcome,
                            std::ostream& err);

// device::forceIp through `port` under `signals`, rendered and recorded.
CommandResult runRecordedForceIp(audit::Action action, const device::CameraTarget& target,
                                 const ForceIpPlan& plan, ForceIpPort& port,
                                 const os::SignalGuard& signals, std::ostream& err);

}  // namespace cli

// apply's report: each planned camera and what became of it, in the plan's
// order, as a table (LINE, MAC, ADDRESS, RESULT: "not started", "failed: ...",
// "unchanged", "ok: " with what was set, or for --check "would change ...")
// and as the JSON "rows" array; the failure when a row failed (exit 1) or a
// stop signal ended the command (exit 130). Pure; any thread.
#pragma once

#include <vector>

#include "cli/exit_code.h"
#include "cli/input/apply_plan.h"
#include "device/camera_control.h"
#include "gvcp/camera_info.h"

namespace cli {

struct ApplyRow {
  const PlanRow* row = nullptr;
  GigE_Camera_Info camera;  // through the adapter that reaches it, where one does
  bool started = false;
  CommandResult result;
  device::StateOutcome account;  // what the row planned and wrote
};

CommandResult applyReport(const std::vector<ApplyRow>& rows, bool interrupted, bool check);

}  // namespace cli

#include "cli/commands/apply_command.h"

#include <algorithm>
#include <mutex>
#include <variant>

#include "cli/camera/discovery_run.h"
#include "cli/camera/shared_address.h"
#include "cli/commands/camera_frame.h"
#include "cli/input/apply_plan.h"
#include "cli/output/change_render.h"
#include "cli/output/table_render.h"
#include "device/camera_record.h"
#include "device/camera_settings.h"
#include "net/macaddress.h"
#include "os/job_pool.h"
#include "os/whole_file.h"

namespace cli {

namespace {

using cli::PlanRow;

// Each row with the camera that answered for its MAC.
struct RowTarget {
  const PlanRow* row;
  GigE_Camera_Info camera;  // through the adapter that reaches it, where one does
};

struct RowOutcome {
  bool started = false;
  CommandResult result;
  StateAccount account;
};

// What every row shares: the discovery's records, and one move off a shared
// address at a time, so that two rows never pick the same free address.
struct RowContext {
  const Invocation& invocation;
  const std::vector<GigE_Camera_Info>& found;
  const os::SignalGuard& signals;
  std::ostream& err;
  std::mutex relocating;
};

std::variant<std::vector<PlanRow>, CommandResult> loadPlan(const std::string& path) {
  const std::optional<std::string> content = os::readFileWhole(path, kMaxPlanBytes);
  if (!content) return failure(ExitCode::kUsage, path + ": cannot be read");
  if (content->size() > kMaxPlanBytes) {
    return failure(ExitCode::kUsage, path + ": larger than " + std::to_string(kMaxPlanBytes >> 20) +
                                         " MiB, not an address plan");
  }
  cli::ApplyPlan plan = cli::readApplyPlan(path, *content);
  if (const auto* error = std::get_if<cli::PlanError>(&plan))
    return failure(ExitCode::kUsage, gvcp::tableSafe(error->text()));
  return std::get<std::vector<PlanRow>>(std::move(plan));
}

std::variant<std::vector<RowTarget>, CommandResult> locate(
    const std::vector<PlanRow>& rows, const std::vector<GigE_Camera_Info>& cameras,
    const std::string& path) {
  std::vector<RowTarget> targets;
  for (const PlanRow& row : rows) {
    Selector byMac;
    byMac.kind = Selector::Kind::kMac;
    row.mac.getMacHw(byMac.mac.data(), MacAddress::kSize);
    const std::vector<GigE_Camera_Info> matched = matchCameras(byMac, cameras);
    if (matched.empty()) {
      return failure(ExitCode::kNotFound, path + ":" + std::to_string(row.line) + ": no camera " +
                                              row.mac.getMacInStr(false) +
                                              " answered the discovery");
    }
    targets.push_back({&row, matched.front()});
  }
  return targets;
}

CommandResult applyRow(const RowTarget& target, RowContext& context, StateAccount& account) {
  const GigE_Camera_Info& camera = target.camera;
  const std::string who = "camera " + camera.cameraMac + " at " + camera.cameraIp;
  if (!device::recordOf(camera).reachable) {
    return failure(ExitCode::kFailed, who + " is outside the subnet of adapter " +
                                          gvcp::tableSafe(camera.adaptor.getName()) +
                                          ": give it an address there first (force-ip)");
  }
  StateRequest request;
  request.desired = {target.row->mode, target.row->persistent, target.row->name, false};
  request.check = context.invocation.check;
  Relocation moved{device::targetOf(camera), std::nullopt, std::nullopt};
  if (!request.check) {
    const std::lock_guard<std::mutex> one(context.relocating);
    moved = moveOffSharedAddress(moved.target, device::sharersOf(moved.target, context.found),
                                 context.invocation.timeoutMs, context.signals, context.err);
  }
  if (moved.failure) return *moved.failure;
  // Rows under way finish when a stop signal comes: no signal guard here.
  return withTemporaryIp(reachState(moved.target, who, request, nullptr, &account), moved);
}

// What a successful row set, in a few words.
std::string changeSummary(const PlanRow& row) {
  std::string text;
  if (row.mode) text = ipModeName(*row.mode);
  if (row.persistent) text += " " + addressWithMask(row.persistent->ip, row.persistent->mask);
  if (row.name) text += (text.empty() ? "" : ", ") + std::string("name '") + *row.name + "'";
  return text;
}

std::string rowState(const RowOutcome& outcome, const PlanRow& row, bool check) {
  if (!outcome.started) return "not started";
  if (outcome.result.code != ExitCode::kOk) return "failed: " + outcome.result.message;
  const std::vector<SettingChange>& planned = outcome.account.planned;
  if (planned.empty()) return "unchanged";
  if (!check) return "ok: " + changeSummary(row);
  std::string would;
  for (const SettingChange& change : planned) {
    would += (would.empty() ? "would change " : ", ") + change.setting;
  }
  return would;
}

CommandResult report(const std::vector<RowTarget>& targets, const std::vector<RowOutcome>& outcomes,
                     bool interrupted, bool check) {
  std::vector<std::vector<std::string>> table = {{"LINE", "MAC", "ADDRESS", "RESULT"}};
  nlohmann::ordered_json rows = nlohmann::ordered_json::array();
  size_t failed = 0;
  for (size_t i = 0; i < targets.size(); ++i) {
    const RowOutcome& outcome = outcomes[i];
    const bool ok = outcome.started && outcome.result.code == ExitCode::kOk;
    failed += ok ? 0 : 1;
    const GigE_Camera_Info& camera = targets[i].camera;
    table.push_back({std::to_string(targets[i].row->line), camera.cameraMac, camera.cameraIp,
                     rowState(outcome, *targets[i].row, check)});
    nlohmann::ordered_json row = {{"line", targets[i].row->line},
                                  {"mac", camera.cameraMac},
                                  {"ip", camera.cameraIp},
                                  {"ok", ok}};
    if (ok) {
      for (const auto& [key, value] : outcome.result.data.items()) row[key] = value;
    } else {
      const std::vector<std::string>& done = outcome.account.change.written;
      row["changed"] = !done.empty();
      row["error"] = outcome.started ? outcome.result.message : "not started: interrupted";
      row["done"] = done;
    }
    rows.push_back(std::move(row));
  }
  CommandResult result;
  if (interrupted) {
    result = failure(ExitCode::kInterrupted, "interrupted");
  } else if (failed > 0) {
    result = failure(ExitCode::kFailed, std::to_string(failed) + " of " +
                                            std::to_string(targets.size()) + " rows failed");
  }
  result.data["rows"] = std::move(rows);
  result.text = alignedColumns(table);
  return result;
}

}  // namespace

CommandResult runApply(const Invocation& invocation, const std::vector<Adaptor>& adapters,
                       const os::SignalGuard& signals, std::ostream& err) {
  auto plan = loadPlan(invocation.planPath);
  if (auto* bad = std::get_if<CommandResult>(&plan)) return std::move(*bad);
  const std::vector<PlanRow>& rows = std::get<std::vector<PlanRow>>(plan);
  const gvcp::DiscoveryOutcome found = discoverForCommandLine(adapters, invocation.timeoutMs, err);
  if (!found.status.ok())
    return failure(ExitCode::kFailed, "discovery: " + found.status.toString());
  auto located = locate(rows, found.cameras, invocation.planPath);
  if (auto* bad = std::get_if<CommandResult>(&located)) return std::move(*bad);
  const std::vector<RowTarget>& targets = std::get<std::vector<RowTarget>>(located);
  std::vector<RowOutcome> outcomes(targets.size());
  RowContext context{invocation, found.cameras, signals, err, {}};
  os::runJobs(targets.size(), invocation.jobs, [&](size_t i) {
    if (signals.stopRequested()) return;
    outcomes[i].started = true;
    outcomes[i].result = applyRow(targets[i], context, outcomes[i].account);
  });
  return report(targets, outcomes, signals.stopRequested(), invocation.check);
}

}  // namespace cli

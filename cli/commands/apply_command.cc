#include <mutex>
#include <variant>

#include "cli/camera/discovery_run.h"
#include "cli/camera/shared_address.h"
#include "cli/commands/camera_frame.h"
#include "cli/input/apply_plan.h"
#include "cli/output/apply_render.h"
#include "device/camera_record.h"
#include "gvcp/camera_text.h"
#include "net/macaddress.h"
#include "os/job_pool.h"
#include "os/whole_file.h"

namespace cli {

namespace {

// What every row shares: the discovery's records, and one move off a shared
// address at a time, so that two rows never pick the same free address.
struct RowContext {
  const Invocation& invocation;
  const std::vector<GigE_Camera_Info>& found;
  const os::SignalGuard& signals;
  std::ostream& err;
  const std::vector<net::HostInterface>& host;
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

std::variant<std::vector<ApplyRow>, CommandResult> locate(
    const std::vector<PlanRow>& rows, const std::vector<GigE_Camera_Info>& cameras,
    const std::string& path) {
  std::vector<ApplyRow> targets;
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
    targets.push_back({&row, matched.front(), false, {}, {}});
  }
  return targets;
}

// The row's change; what it planned and wrote goes to `target.account`.
CommandResult applyRow(ApplyRow& target, RowContext& context) {
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
    moved = moveOffSharedAddress(moved.target, device::sharersOf(camera, context.found),
                                 context.invocation.timeoutMs, context.signals, context.err,
                                 context.host);
  }
  if (moved.failure) return *moved.failure;
  // Rows under way finish when a stop signal comes: no signal guard here.
  return withTemporaryIp(reachState(moved.target, who, request, nullptr, &target.account), moved);
}

}  // namespace

CommandResult runApply(const CommandContext& context) {
  const Invocation& invocation = context.invocation;
  const os::SignalGuard& signals = *context.signals;
  auto plan = loadPlan(invocation.planPath);
  if (auto* bad = std::get_if<CommandResult>(&plan)) return std::move(*bad);
  const std::vector<PlanRow>& rows = std::get<std::vector<PlanRow>>(plan);
  const gvcp::DiscoveryOutcome found =
      discoverForCommandLine(context.adapters, invocation.timeoutMs, context.err);
  if (!found.status.ok())
    return failure(ExitCode::kFailed, "discovery: " + found.status.toString());
  auto located = locate(rows, found.cameras, invocation.planPath);
  if (auto* bad = std::get_if<CommandResult>(&located)) return std::move(*bad);
  std::vector<ApplyRow>& rowsFound = std::get<std::vector<ApplyRow>>(located);
  RowContext shared{invocation, found.cameras, signals, context.err, context.host, {}};
  os::runJobs(rowsFound.size(), invocation.jobs, [&](size_t i) {
    if (signals.stopRequested()) return;
    rowsFound[i].started = true;
    rowsFound[i].result = applyRow(rowsFound[i], shared);
  });
  return applyReport(rowsFound, signals.stopRequested(), invocation.check);
}

}  // namespace cli

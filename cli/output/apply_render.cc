#include "cli/output/apply_render.h"

#include "cli/input/camera_values.h"
#include "cli/output/table_render.h"

namespace cli {
namespace {

// What a successful row set, in a few words.
std::string changeSummary(const PlanRow& row) {
  std::string text;
  if (row.mode) text = ipModeName(*row.mode);
  if (row.persistent) text += " " + addressWithMask(row.persistent->ip, row.persistent->mask);
  if (row.name) text += (text.empty() ? "" : ", ") + std::string("name '") + *row.name + "'";
  return text;
}

std::string rowState(const ApplyRow& outcome, bool check) {
  if (!outcome.started) return "not started";
  if (outcome.result.code != ExitCode::kOk) return "failed: " + outcome.result.message;
  const std::vector<device::SettingChange>& planned = outcome.account.planned;
  if (planned.empty()) return "unchanged";
  if (!check) return "ok: " + changeSummary(*outcome.row);
  std::string would;
  for (const device::SettingChange& change : planned) {
    would += (would.empty() ? "would change " : ", ") + change.setting;
  }
  return would;
}

}  // namespace

CommandResult applyReport(const std::vector<ApplyRow>& rows, bool interrupted, bool check) {
  std::vector<std::vector<std::string>> table = {{"LINE", "MAC", "ADDRESS", "RESULT"}};
  nlohmann::ordered_json json = nlohmann::ordered_json::array();
  size_t failed = 0;
  for (const ApplyRow& outcome : rows) {
    const bool ok = outcome.started && outcome.result.code == ExitCode::kOk;
    failed += ok ? 0 : 1;
    const GigE_Camera_Info& camera = outcome.camera;
    table.push_back({std::to_string(outcome.row->line), camera.cameraMac, camera.cameraIp,
                     rowState(outcome, check)});
    nlohmann::ordered_json row = {{"line", outcome.row->line},
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
    json.push_back(std::move(row));
  }
  CommandResult result;
  if (interrupted) {
    result = failure(ExitCode::kInterrupted, "interrupted");
  } else if (failed > 0) {
    result = failure(ExitCode::kFailed, std::to_string(failed) + " of " +
                                            std::to_string(rows.size()) + " rows failed");
  }
  result.data["rows"] = std::move(json);
  result.text = alignedColumns(table);
  return result;
}

}  // namespace cli

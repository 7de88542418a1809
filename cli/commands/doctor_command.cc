#include <algorithm>

#include "cli/commands/commands.h"
#include "cli/doctor/doctor_render.h"
#include "cli/output/json_render.h"
#include "device/address_sharers.h"
#include "diagnosis/diagnosis.h"
#include "diagnosis/doctor_gather.h"

namespace cli {

namespace {

nlohmann::ordered_json camerasJson(const diagnosis::DoctorFacts& facts) {
  std::vector<device::CameraRecord> views;
  for (const diagnosis::CameraFacts& camera : facts.cameras) views.push_back(camera.view);
  std::stable_sort(views.begin(), views.end(), device::listOrder);
  device::noteSharing(views, facts.hostAddresses);
  nlohmann::ordered_json cameras = nlohmann::ordered_json::array();
  for (const device::CameraRecord& view : views) cameras.push_back(cameraJson(view));
  return cameras;
}

}  // namespace

CommandResult runDoctor(const CommandContext& context) {
  const diagnosis::Gathered gathered =
      diagnosis::gatherFacts(context.adapters, context.host, context.invocation.timeoutMs);
  for (const gvcp::Status& skip : gathered.skipped)
    context.err << "warning: " << skip.toString() << "\n";
  if (!gathered.status.ok()) {
    return failure(ExitCode::kFailed, "discovery: " + gathered.status.toString());
  }
  const std::vector<diagnosis::Finding> findings = diagnosis::diagnose(gathered.facts);
  CommandResult result;
  const size_t failed = static_cast<size_t>(std::count_if(
      findings.begin(), findings.end(),
      [](const diagnosis::Finding& f) { return f.level == diagnosis::Level::kFail; }));
  if (failed > 0) {
    result.code = ExitCode::kFailed;
    result.message = std::to_string(failed) + (failed == 1 ? " check" : " checks") + " failed";
  }
  result.data["checks"] = checksJson(findings);
  result.data["cameras"] = camerasJson(gathered.facts);
  result.text =
      doctorTable(findings, gathered.facts.cameras.size(), gathered.facts.adapters.size());
  return result;
}

}  // namespace cli

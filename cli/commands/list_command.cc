#include <algorithm>
#include <memory>
#include <set>

#include "cli/camera/discovery_run.h"
#include "cli/commands/commands.h"
#include "cli/output/json_render.h"
#include "cli/output/table_render.h"
#include "device/address_sharers.h"
#include "device/camera_record.h"

namespace cli {

namespace {

// Ends the window once `expected` cameras, told apart by MAC, have answered
// on any adapters; 0 never ends it.
gvcp::AnswerStop countReached(int expected) {
  if (expected == 0) return {};
  auto seen = std::make_shared<std::set<std::string>>();
  return [seen, expected](const GigE_Camera_Info& answer) {
    seen->insert(answer.cameraMac);
    return static_cast<int>(seen->size()) >= expected;
  };
}

}  // namespace

CommandResult runList(const CommandContext& context) {
  std::ostream& err = context.err;
  const gvcp::DiscoveryOutcome outcome = discoverForCommandLine(
      context.adapters, context.invocation.timeoutMs, err, countReached(context.invocation.expect));
  for (const gvcp::Status& skip : outcome.skipped) err << "warning: " << skip.toString() << "\n";
  if (!outcome.status.ok())
    return failure(ExitCode::kFailed, "discovery: " + outcome.status.toString());
  std::vector<device::CameraRecord> views;
  for (const GigE_Camera_Info& camera : outcome.cameras) views.push_back(device::recordOf(camera));
  std::stable_sort(views.begin(), views.end(), device::listOrder);
  device::noteSharing(views, device::hostAddresses(context.host));
  if (views.empty()) err << "no camera found\n";
  CommandResult result;
  result.data["cameras"] = nlohmann::ordered_json::array();
  for (const device::CameraRecord& view : views) result.data["cameras"].push_back(cameraJson(view));
  result.text = listTable(views);
  return result;
}

}  // namespace cli

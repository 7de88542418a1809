#include "cli/camera/camera_lookup.h"

#include "cli/camera/discovery_run.h"
#include "cli/output/json_render.h"
#include "cli/output/table_render.h"

namespace cli {

device::Lookup noteLookup(device::Lookup lookup, std::ostream& err) {
  if (lookup.overUdp) err << kUdpFallbackWarning << "\n";
  for (const GigE_Camera_Info& camera : lookup.candidates) {
    err << "candidate: " << camera.cameraMac << " " << camera.cameraIp << " on "
        << gvcp::tableSafe(camera.adaptor.getName()) << " serial "
        << gvcp::tableSafe(camera.serialNumber) << " name "
        << gvcp::tableSafe(camera.userDefinedName) << "\n";
  }
  return lookup;
}

std::chrono::milliseconds windowOf(const Invocation& invocation) {
  return std::chrono::milliseconds(invocation.timeoutMs);
}

CommandResult lookupFailure(const device::Lookup& lookup) {
  CommandResult result = failureOf(lookup.failure);
  if (result.code != ExitCode::kAmbiguous) return result;
  result.data["candidates"] = nlohmann::ordered_json::array();
  for (const GigE_Camera_Info& camera : lookup.candidates) {
    result.data["candidates"].push_back(cameraJson(device::recordOf(camera)));
  }
  return result;
}

}  // namespace cli

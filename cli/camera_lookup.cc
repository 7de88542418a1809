#include "cli/camera_lookup.h"

#include "cli/discovery_run.h"
#include "cli/output/json_render.h"
#include "cli/output/table_render.h"

namespace cli {

namespace {

using Find = device::Lookup (*)(const Selector&, const std::vector<Adaptor>&,
                                std::chrono::milliseconds, LookupUse);

device::Lookup noted(Find find, const Invocation& invocation, const Selector& selector,
                     const std::vector<Adaptor>& adapters, std::ostream& err, LookupUse use) {
  device::Lookup lookup =
      find(selector, adapters, std::chrono::milliseconds(invocation.timeoutMs), use);
  if (lookup.overUdp) err << kUdpFallbackWarning << "\n";
  for (const GigE_Camera_Info& camera : lookup.candidates) {
    err << "candidate: " << camera.cameraMac << " " << camera.cameraIp << " on "
        << gvcp::tableSafe(camera.adaptor.getName()) << " serial "
        << gvcp::tableSafe(camera.serialNumber) << " name "
        << gvcp::tableSafe(camera.userDefinedName) << "\n";
  }
  return lookup;
}

}  // namespace

device::Lookup findCamera(const Invocation& invocation, const Selector& selector,
                          const std::vector<Adaptor>& adapters, std::ostream& err, LookupUse use) {
  return noted(device::findCamera, invocation, selector, adapters, err, use);
}

device::Lookup findCameraByDiscovery(const Invocation& invocation, const Selector& selector,
                                     const std::vector<Adaptor>& adapters, std::ostream& err,
                                     LookupUse use) {
  return noted(device::findCameraByDiscovery, invocation, selector, adapters, err, use);
}

device::Lookup findDiscovered(const Invocation& invocation, const Selector& selector,
                              const std::vector<Adaptor>& adapters, std::ostream& err,
                              LookupUse use) {
  return noted(device::findDiscovered, invocation, selector, adapters, err, use);
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

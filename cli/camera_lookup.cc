#include "cli/camera_lookup.h"

#include "cli/discovery_run.h"
#include "cli/output/json_render.h"
#include "cli/output/table_render.h"
#include "device/register_reads.h"

namespace cli {

namespace {

std::optional<Adaptor> adapterHolding(uint32_t ip, const std::vector<Adaptor>& adapters) {
  for (const Adaptor& adaptor : adapters) {
    if (inSubnet(ip, adapterView(adaptor))) return adaptor;
  }
  return std::nullopt;
}

TargetLookup failed(CommandResult result) { return {std::nullopt, std::move(result), {}}; }

TargetLookup ambiguous(const std::vector<GigE_Camera_Info>& found, const Selector& selector,
                       std::ostream& err) {
  CommandResult result =
      failure(ExitCode::kAmbiguous,
              std::to_string(found.size()) + " cameras match '" + selector.text + "'");
  result.data["candidates"] = nlohmann::ordered_json::array();
  for (const GigE_Camera_Info& camera : found) {
    result.data["candidates"].push_back(cameraJson(viewOf(camera)));
    err << "candidate: " << camera.cameraMac << " " << camera.cameraIp << " on "
        << tableSafe(camera.adaptor.getName()) << " serial " << tableSafe(camera.serialNumber)
        << " name " << tableSafe(camera.userDefinedName) << "\n";
  }
  return failed(std::move(result));
}

TargetLookup byDiscovery(const Invocation& invocation, const Selector& selector,
                         const std::vector<Adaptor>& adapters, std::ostream& err) {
  const DiscoveredLookup lookup = findDiscovered(invocation, selector, adapters, err);
  if (!lookup.camera) return failed(lookup.failure);
  const GigE_Camera_Info& camera = *lookup.camera;
  // Sent to an address outside the adapter's subnet (or to 0.0.0.0) a read
  // would leave by another route, or reach this host itself.
  if (!viewOf(camera).reachable) {
    return failed(failure(ExitCode::kFailed,
                          "camera " + camera.cameraMac + " answers from " + camera.cameraIp +
                              ", outside the subnet of adapter " +
                              tableSafe(camera.adaptor.getName()) +
                              ": its registers cannot be read until it has an address there"));
  }
  return {targetOf(camera), {}, lookup.found};
}

}  // namespace

CameraTarget targetOf(const GigE_Camera_Info& camera) {
  CameraTarget target{
      camera.sourceIp, camera.cameraIp, camera.adaptor, {}, camera.adaptor.getName()};
  std::copy(std::begin(camera.cameraMacHw), std::end(camera.cameraMacHw), target.mac.begin());
  return target;
}

device::SessionTarget sessionTarget(const CameraTarget& target) {
  return {target.ip, target.interface, target.mac};
}

std::unique_ptr<Camera> openCamera(uint32_t ip, uint16_t port, const std::string& interface) {
  auto camera = std::make_unique<Camera>(ip, port);
  camera->setAckWait(AckWait::kPerAttempt);
  camera->bindToInterface(interface);
  return camera;
}

std::unique_ptr<Camera> openCamera(const CameraTarget& target) {
  return openCamera(target.ip, gvcp::kPort, target.interface);
}

DiscoveredLookup findDiscovered(const Invocation& invocation, const Selector& selector,
                                const std::vector<Adaptor>& adapters, std::ostream& err) {
  const DiscoveryOutcome outcome = discoverForCommandLine(adapters, invocation.timeoutMs, err);
  if (!outcome.status.ok()) {
    return {std::nullopt, failure(ExitCode::kFailed, "discovery: " + outcome.status.toString()), {}};
  }
  const std::vector<GigE_Camera_Info> found = matchCameras(selector, outcome.cameras);
  if (found.empty()) {
    return {std::nullopt,
            failure(ExitCode::kNotFound, "no camera matches '" + selector.text + "'"), {}};
  }
  if (found.size() > 1) return {std::nullopt, ambiguous(found, selector, err).failure, {}};
  return {found.front(), {}, outcome.cameras};
}

TargetLookup findCamera(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, std::ostream& err) {
  if (selector.kind == Selector::Kind::kAddress) {
    const std::unique_ptr<Camera> camera = openCamera(selector.ip);
    CameraTarget direct{selector.ip, selector.text, adapterHolding(selector.ip, adapters), {}, {}};
    // The device that answers here now is the one a command changes.
    if (device::readMac(*camera, direct.mac).ok()) return {direct, {}, {}};
  }
  return byDiscovery(invocation, selector, adapters, err);
}

}  // namespace cli

#include "cli/camera_lookup.h"

#include <algorithm>

#include "cli/discovery_run.h"
#include "cli/output/json_render.h"
#include "cli/output/table_render.h"
#include "device/register_reads.h"
#include "gvcp/registers.h"

namespace cli {

namespace {

std::optional<Adaptor> adapterHolding(uint32_t ip, const std::vector<Adaptor>& adapters) {
  for (const Adaptor& adaptor : adapters) {
    if (inSubnet(ip, adapterView(adaptor))) return adaptor;
  }
  return std::nullopt;
}

TargetLookup failed(CommandResult result) { return {std::nullopt, std::move(result), {}, false}; }

DiscoveredLookup notDiscovered(CommandResult result) {
  return {std::nullopt, std::move(result), {}, false};
}

// The answer that ends a MAC's discovery: that MAC, through an adapter whose
// subnet holds its address (one from outside waits for a better one until the
// window ends). A changing command takes it only from the packet capture:
// without that privilege no ARP probe can show whether another camera shares
// the address, so it keeps the whole window and the discovery shows them.
AnswerStop stopAtAnswer(const Selector& selector, LookupUse use, bool& ended) {
  if (selector.kind != Selector::Kind::kMac) return {};
  return [&selector, use, &ended](const GigE_Camera_Info& answer) {
    ended = std::equal(selector.mac.begin(), selector.mac.end(), answer.cameraMacHw) &&
            answersInAdapterSubnet(answer) && (use == LookupUse::kRead || answer.seenAtLinkLevel);
    return ended;
  };
}

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

}  // namespace

TargetLookup findCameraByDiscovery(const Invocation& invocation, const Selector& selector,
                                   const std::vector<Adaptor>& adapters, std::ostream& err,
                                   LookupUse use) {
  const DiscoveredLookup lookup = findDiscovered(invocation, selector, adapters, err, use);
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
  return {device::targetOf(camera), {}, lookup.found, lookup.endedAtAnswer};
}

DiscoveredLookup findDiscovered(const Invocation& invocation, const Selector& selector,
                                const std::vector<Adaptor>& adapters, std::ostream& err,
                                LookupUse use) {
  bool ended = false;
  const DiscoveryOutcome outcome = discoverForCommandLine(adapters, invocation.timeoutMs, err,
                                                          stopAtAnswer(selector, use, ended));
  if (!outcome.status.ok()) {
    return notDiscovered(failure(ExitCode::kFailed, "discovery: " + outcome.status.toString()));
  }
  const std::vector<GigE_Camera_Info> found = matchCameras(selector, outcome.cameras);
  if (found.empty()) {
    return notDiscovered(failure(ExitCode::kNotFound, "no camera matches '" + selector.text + "'"));
  }
  if (found.size() > 1) return notDiscovered(ambiguous(found, selector, err).failure);
  return {found.front(), {}, outcome.cameras, ended};
}

TargetLookup findCamera(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, std::ostream& err, LookupUse use) {
  if (selector.kind == Selector::Kind::kAddress) {
    const std::unique_ptr<Camera> camera = device::openCamera(selector.ip);
    device::CameraTarget direct{
        selector.ip, selector.text, adapterHolding(selector.ip, adapters), {}, {}, {}};
    // The device that answers here now is the one a command reads; a
    // changing command then learns who else answers there (shared_address.h).
    // Its capabilities come first, so that its MAC and every later read of
    // this command go in one READREG where it offers concatenation.
    uint32_t capabilities = 0;
    const gvcp::Status offered = device::readRegister(*camera, reg::kGvcpCapability, capabilities);
    if (offered.ok()) direct.capabilities = capabilities;
    if ((offered.ok() || offered.isCameraStatus()) &&
        device::readMac(*camera, direct.mac, capabilities).ok()) {
      return {direct, {}, {}, use == LookupUse::kChange};
    }
  }
  return findCameraByDiscovery(invocation, selector, adapters, err, use);
}

}  // namespace cli

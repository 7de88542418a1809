#include "device/camera_lookup.h"

#include <algorithm>
#include <variant>

#include "device/discovery.h"
#include "device/fault.h"
#include "device/register_reads.h"
#include "gvcp/camera_text.h"
#include "gvcp/registers.h"

namespace device {

namespace {

std::optional<Adaptor> adapterHolding(net::Ipv4 ip, const std::vector<Adaptor>& adapters) {
  for (const Adaptor& adaptor : adapters) {
    if (adaptor.subnetHolds(ip.network())) return adaptor;
  }
  return std::nullopt;
}

Lookup missed(Lookup lookup, gvcp::Status why) {
  lookup.camera.reset();
  lookup.target.reset();
  lookup.failure = std::move(why);
  return lookup;
}

// The answer that ends a MAC's discovery: that MAC, through an adapter whose
// subnet holds its address (one from outside waits for a better one until the
// window ends). A changing command takes it only from the packet capture:
// without that privilege no ARP probe can show whether another camera shares
// the address, so it keeps the whole window and the discovery shows them.
gvcp::AnswerStop stopAtAnswer(const Selector& selector, LookupUse use, bool& ended) {
  if (selector.kind != Selector::Kind::kMac) return {};
  return [&selector, use, &ended](const GigE_Camera_Info& answer) {
    ended = std::equal(selector.mac.begin(), selector.mac.end(), answer.cameraMacHw) &&
            gvcp::answersInAdapterSubnet(answer) &&
            (use == LookupUse::kRead || answer.seenAtLinkLevel);
    return ended;
  };
}

// How long a MAC read listens by ordinary UDP before it opens the packet
// capture. A camera on the adapter's own link answers a discovery within a
// millisecond or two of wire and stack time; 50 ms leaves a loaded host's
// scheduler room besides. A camera that answers later (its discovery delay
// register set) or that UDP cannot hear (an address outside the subnet, or
// the host's own) is found by the capture that follows, in the rest of the
// window.
constexpr std::chrono::milliseconds kUdpFirstWindow{50};

// A MAC read ends at an answer from inside its adapter's subnet, which the
// host hands to an ordinary UDP socket too: the lookup listens that way
// first, with one request, and opens the packet capture only when that did
// not hear the camera. Many kernels make a packet socket's close wait for an
// RCU grace period, longer than the whole of such a read (some wait none).
Discovery discoverFor(const Selector& selector, LookupUse use, const std::vector<Adaptor>& adapters,
                      gvcp::DiscoveryOptions options, bool& ended) {
  if (selector.kind == Selector::Kind::kMac && use == LookupUse::kRead &&
      options.window > kUdpFirstWindow) {
    gvcp::DiscoveryOptions first = options;
    first.capture = gvcp::CaptureMode::kUdp;
    first.window = kUdpFirstWindow;
    first.sends = 1;
    Discovery heard = discover(adapters, first);
    if (ended && heard.outcome.status.ok()) return heard;
    ended = false;  // the capture's discovery decides afresh
    options.window -= kUdpFirstWindow;
  }
  return discover(adapters, options);
}

}  // namespace

Lookup findDiscovered(const Selector& selector, const std::vector<Adaptor>& adapters,
                      std::chrono::milliseconds window, LookupUse use) {
  Lookup lookup;
  gvcp::DiscoveryOptions options = discoveryOptions(window);
  options.stop = stopAtAnswer(selector, use, lookup.endedAtAnswer);
  Discovery discovery = discoverFor(selector, use, adapters, options, lookup.endedAtAnswer);
  lookup.overUdp = discovery.overUdp;
  if (!discovery.outcome.status.ok()) {
    return missed(std::move(lookup),
                  fault(Fault::kFailed, "discovery: " + discovery.outcome.status.toString()));
  }
  lookup.found = std::move(discovery.outcome.cameras);
  std::vector<GigE_Camera_Info> matched = matchCameras(selector, lookup.found);
  if (matched.empty()) {
    return missed(std::move(lookup),
                  fault(Fault::kNotFound, "no camera matches '" + selector.text + "'"));
  }
  if (matched.size() > 1) {
    const std::string what =
        std::to_string(matched.size()) + " cameras match '" + selector.text + "'";
    lookup.candidates = std::move(matched);
    return missed(std::move(lookup), fault(Fault::kAmbiguous, what));
  }
  lookup.camera = matched.front();
  return lookup;
}

Lookup findCameraByDiscovery(const Selector& selector, const std::vector<Adaptor>& adapters,
                             std::chrono::milliseconds window, LookupUse use) {
  Lookup lookup = findDiscovered(selector, adapters, window, use);
  if (!lookup.camera) return lookup;
  const GigE_Camera_Info& camera = *lookup.camera;
  // Sent to an address outside the adapter's subnet (or to 0.0.0.0) a read
  // would leave by another route, or reach this host itself.
  if (!gvcp::answersInAdapterSubnet(camera)) {
    const std::string what = "camera " + camera.cameraMac + " answers from " + camera.cameraIp +
                             ", outside the subnet of adapter " +
                             gvcp::tableSafe(camera.adaptor.getName()) +
                             ": its registers cannot be read until it has an address there";
    return missed(std::move(lookup), fault(Fault::kFailed, what));
  }
  lookup.target = targetOf(camera);
  return lookup;
}

Lookup findCamera(const Selector& selector, const std::vector<Adaptor>& adapters,
                  std::chrono::milliseconds window, LookupUse use) {
  if (selector.kind == Selector::Kind::kAddress) {
    const std::unique_ptr<Camera> camera = openCamera(selector.ip);
    CameraTarget direct{selector.ip, adapterHolding(selector.ip, adapters), {}, {}, {}};
    // The device that answers here now is the one a command reads; a
    // changing command then learns who else answers there (device/address_sharers.h).
    // Its capabilities come first, so that its MAC and every later read of
    // this command go in one READREG where it offers concatenation.
    uint32_t capabilities = 0;
    const gvcp::Status offered =
        readRegister(*camera, gvcp::Registers::kGvcpCapability, capabilities);
    if (offered.ok()) direct.capabilities = capabilities;
    if ((offered.ok() || offered.isCameraStatus()) &&
        readMac(*camera, direct.mac, capabilities).ok()) {
      Lookup lookup;
      lookup.target = std::move(direct);
      lookup.endedAtAnswer = use == LookupUse::kChange;
      return lookup;
    }
  }
  return findCameraByDiscovery(selector, adapters, window, use);
}

ChangeLookup findChangeable(const Selector& selector, const std::vector<Adaptor>& adapters,
                            std::chrono::milliseconds window, bool readOnly,
                            const WhileProbing& alongside) {
  Lookup lookup = findCamera(selector, adapters, window, LookupUse::kChange);
  const bool byAddress = selector.kind == Selector::Kind::kAddress && lookup.endedAtAnswer;
  // A check or a dry run changes nothing, not even the address; it reads
  // through the identity check, which stops at a device that is not the
  // camera the lookup found.
  if (!lookup.target || (readOnly && !byAddress)) return {std::move(lookup), {}};
  auto sharers = lookup.endedAtAnswer
                     ? sharersByArp(*lookup.target, static_cast<int>(window.count()), alongside)
                     : std::variant<std::vector<net::Mac>, gvcp::Status>(
                           sharersOf(*lookup.camera, lookup.found));
  const auto* failed = std::get_if<gvcp::Status>(&sharers);
  const bool unsure = failed != nullptr && failed->code() == static_cast<int>(Fault::kNoPrivilege);
  if (byAddress && (unsure || (failed == nullptr && !std::get<0>(sharers).empty()))) {
    lookup = findCameraByDiscovery(selector, adapters, window, LookupUse::kChange);
    if (!lookup.target) return {std::move(lookup), {}};
    std::vector<net::Mac> others = sharersOf(*lookup.camera, lookup.found);
    return {std::move(lookup), std::move(others)};
  }
  if (failed != nullptr) return {missed(std::move(lookup), *failed), {}};
  return {std::move(lookup), std::get<0>(std::move(sharers))};
}

}  // namespace device

#include "diagnosis/doctor_gather.h"

#include <unistd.h>

#include <array>
#include <memory>

#include "device/address_sharers.h"
#include "device/camera_target.h"
#include "device/discovery.h"
#include "device/register_reads.h"
#include "diagnosis/rule_input.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/registers.h"
#include "net/sysctl_values.h"

namespace diagnosis {

namespace {

// The low 16 bits of the primary application port register hold the port.
constexpr uint32_t kPortBits = 0xFFFF;

std::vector<AdapterFacts> adapterFactsOf(const std::vector<Adaptor>& adapters,
                                         const std::vector<net::LinkFacts>& links) {
  std::vector<AdapterFacts> facts;
  for (const Adaptor& adaptor : adapters) {
    AdapterFacts adapter{device::adapterRecord(adaptor), std::nullopt,
                         net::rpFilterOf(adaptor.getName())};
    if (const net::LinkFacts* link = net::findLink(links, adaptor.getName())) adapter.link = *link;
    facts.push_back(adapter);
  }
  return facts;
}

// A request sent through an adapter that is down fails; the link rule
// reports such adapters instead.
std::vector<Adaptor> adaptersUp(const std::vector<Adaptor>& adapters,
                                const std::vector<net::LinkFacts>& links) {
  std::vector<Adaptor> up;
  for (const Adaptor& adaptor : adapters) {
    const net::LinkFacts* link = net::findLink(links, adaptor.getName());
    if (link == nullptr || link->up) up.push_back(adaptor);
  }
  return up;
}

std::string interfaceName(const std::vector<net::LinkFacts>& links, unsigned index) {
  for (const net::LinkFacts& link : links) {
    if (link.index == index) return link.name;
  }
  return "";
}

CameraFacts cameraFactsOf(const GigE_Camera_Info& info, const std::vector<net::LinkFacts>& links) {
  CameraFacts camera{device::recordOf(info), info.seenAtLinkLevel, info.seenByUdp, {}, "", {}};
  if (camera.view.ip.isZero()) return camera;
  camera.route = net::routeTo(camera.view.ip.network());
  if (camera.route.kind == net::RouteKind::kThrough) {
    camera.routeInterface = interfaceName(links, camera.route.interfaceIndex);
  }
  return camera;
}

// Unicast reaches the camera, and it alone, and its answers reach a socket.
bool readable(const CameraFacts& c, const device::AddressSharing& sharing) {
  return c.view.reachable && c.seenByUdp && sharing.sharesWith.empty() && !sharing.hostAddress;
}

// Who holds control, where the capability register says the camera can tell.
void readHolder(Camera& camera, ControlFacts& control) {
  uint32_t capability = 0;
  uint32_t port = 0;
  uint32_t holder = 0;
  if (!device::readRegister(camera, gvcp::Registers::kGvcpCapability, capability).ok() ||
      (capability & gvcp::Registers::kCapPrimaryApp) == 0) {
    return;
  }
  if (device::readRegister(camera, gvcp::Registers::kPrimaryAppPort, port).ok() &&
      device::readRegister(camera, gvcp::Registers::kPrimaryAppIp, holder).ok()) {
    control.holderPort = static_cast<uint16_t>(port & kPortBits);
    control.holderIp = net::Ipv4::fromHost(holder);
  }
}

// The reads leave through the adapter the camera answered on, whatever the
// route to its address says.
ControlFacts readControl(const CameraFacts& c) {
  const std::unique_ptr<Camera> camera = device::openCamera(c.view.ip);
  camera->bindToInterface(adapterOf(c));
  ControlFacts control;
  const gvcp::Status read = device::readRegister(*camera, gvcp::Registers::kCcp, control.ccp);
  if (!read.ok()) {
    const bool denied = read.isCameraStatus() && read.code() == gvcp::kStatusAccessDenied;
    control.read = denied ? ControlRead::kDenied : ControlRead::kFailed;
    control.failure = read.toString();
    return control;
  }
  control.read = ControlRead::kRead;
  if (control.ccp != 0) readHolder(*camera, control);
  return control;
}

std::string programPath() {
  std::array<char, 4096> path{};
  const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size() - 1);
  return length > 0 ? std::string(path.data(), static_cast<size_t>(length)) : "nuv-ipconfig";
}

void hostFacts(const std::vector<net::HostInterface>& host, DoctorFacts& facts) {
  facts.hostAddresses = device::hostAddresses(host);
  facts.rpFilterAll = net::rpFilterOf("all");
  facts.rmemMax = net::rmemMax();
  facts.netdevMaxBacklog = net::netdevMaxBacklog();
  facts.neighbour = net::neighbourThresholds();
  facts.programPath = programPath();
}

}  // namespace

Gathered gatherFacts(const std::vector<Adaptor>& adapters,
                     const std::vector<net::HostInterface>& host, int timeoutMs) {
  Gathered gathered;
  DoctorFacts& facts = gathered.facts;
  const std::vector<net::LinkFacts> links = net::readLinkFacts();
  facts.adapters = adapterFactsOf(adapters, links);
  hostFacts(host, facts);
  const std::optional<long> droppedBefore = net::udpReceiveBufferErrors();
  const std::optional<long> backlogBefore = net::backlogDrops();
  const device::Discovery found =
      device::discover(adaptersUp(adapters, links), std::chrono::milliseconds(timeoutMs),
                       gvcp::CaptureMode::kPacketAndUdp);
  if (const std::optional<long> after = net::udpReceiveBufferErrors(); after && droppedBefore) {
    facts.droppedDuringDiscovery = *after - *droppedBefore;
  }
  if (const std::optional<long> after = net::backlogDrops(); after && backlogBefore) {
    facts.backlogDropsDuringDiscovery = *after - *backlogBefore;
  }
  facts.linkLevelRan = !found.overUdp;
  const gvcp::DiscoveryOutcome& outcome = found.outcome;
  gathered.status = outcome.status;
  gathered.skipped = outcome.skipped;
  for (const GigE_Camera_Info& info : outcome.cameras) {
    facts.cameras.push_back(cameraFactsOf(info, links));
  }
  const RuleInput input = ruleInput(facts);
  for (size_t i = 0; i < facts.cameras.size(); ++i) {
    CameraFacts& camera = facts.cameras[i];
    if (readable(camera, input.sharing[i])) camera.control = readControl(camera);
  }
  return gathered;
}

}  // namespace diagnosis

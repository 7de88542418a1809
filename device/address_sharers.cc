#include "device/address_sharers.h"

#include <algorithm>
#include <future>

#include "device/fault.h"
#include "device/force_ip_port.h"
#include "net/host_interfaces.h"
#include "net/interface_link.h"

namespace device {

namespace {

// Each link has its own addresses: cameras heard on different links share
// nothing. A record without an adapter may be on any link.
bool sameLink(const CameraRecord& a, const CameraRecord& b) {
  return !a.adapter || !b.adapter || net::sameLink(a.adapter->name, b.adapter->name);
}

// One camera: the same MAC and, for the all-zero MAC that several devices
// report, the same serial too, as discovery tells such devices apart.
bool sameCamera(const CameraRecord& a, const CameraRecord& b) {
  return a.mac == b.mac && (a.mac != net::Mac{} || a.identity.serial == b.identity.serial);
}

// The MACs of the other cameras of `cameras` at `camera`'s address on its
// link, each once.
std::vector<net::Mac> othersAt(const CameraRecord& camera,
                               const std::vector<CameraRecord>& cameras) {
  std::vector<net::Mac> others;
  for (const CameraRecord& other : cameras) {
    const bool sameAddress =
        other.ip == camera.ip && !sameCamera(other, camera) && sameLink(other, camera);
    if (sameAddress && std::find(others.begin(), others.end(), other.mac) == others.end()) {
      others.push_back(other.mac);
    }
  }
  return others;
}

}  // namespace

std::vector<AddressSharing> addressSharing(const std::vector<CameraRecord>& cameras,
                                           const std::vector<net::Ipv4>& hostAddresses) {
  std::vector<AddressSharing> sharing(cameras.size());
  for (size_t i = 0; i < cameras.size(); ++i) {
    const net::Ipv4 ip = cameras[i].ip;
    if (ip.isZero()) continue;
    sharing[i].hostAddress =
        std::find(hostAddresses.begin(), hostAddresses.end(), ip) != hostAddresses.end();
    sharing[i].sharesWith = othersAt(cameras[i], cameras);
  }
  return sharing;
}

void noteSharing(std::vector<CameraRecord>& cameras, const std::vector<net::Ipv4>& hostAddresses) {
  const std::vector<AddressSharing> sharing = addressSharing(cameras, hostAddresses);
  for (size_t i = 0; i < cameras.size(); ++i) {
    cameras[i].sharesAddressWith = sharing[i].sharesWith;
    cameras[i].hostAddress = sharing[i].hostAddress;
  }
}

std::vector<net::Ipv4> hostAddresses(const std::vector<net::HostInterface>& host) {
  std::vector<net::Ipv4> addresses;
  for (const net::HostInterface& entry : host) {
    for (const net::InterfaceAddress& address : entry.addresses) {
      addresses.push_back(address.ip);
    }
  }
  return addresses;
}

std::vector<net::Mac> sharersOf(const GigE_Camera_Info& camera,
                                const std::vector<GigE_Camera_Info>& found) {
  std::vector<CameraRecord> heard;
  for (const GigE_Camera_Info& other : found) heard.push_back(recordOf(other));
  return othersAt(recordOf(camera), heard);
}

std::variant<std::vector<net::Mac>, gvcp::Status> sharersByArp(const CameraTarget& camera,
                                                               int timeoutMs,
                                                               const WhileProbing& alongside) {
  if (!camera.adapter) return std::vector<net::Mac>{};
  std::variant<net::PacketSocket, gvcp::Status> socket =
      openProbeSocket("checking who else answers at the camera's address");
  if (auto* refused = std::get_if<gvcp::Status>(&socket)) return *refused;
  NetworkPort port(camera, std::move(std::get<net::PacketSocket>(socket)), timeoutMs);
  // The future owns the probe's thread: it is joined here, or on any way out.
  std::future<net::ProbeResult> probing = std::async(
      std::launch::async, [&port, &camera] { return port.probe(camera.ip, kSharerProbe); });
  if (alongside) alongside(camera);
  const net::ProbeResult probed = probing.get();
  if (probed.kind == net::ProbeResult::Kind::kLinkFailed) {
    return fault(Fault::kFailed, "ARP probe of " + camera.ip.text() + " on adapter " +
                                     camera.adapter->getName() + " failed");
  }
  std::vector<net::Mac> sharers;
  if (probed.kind == net::ProbeResult::Kind::kInUse) {
    sharers.emplace_back();
    probed.answeredBy.getMacHw(sharers.back().data(), MacAddress::kSize);
  }
  return sharers;
}

}  // namespace device

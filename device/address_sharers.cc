#include "device/address_sharers.h"

#include <arpa/inet.h>

#include <algorithm>
#include <future>

#include "device/fault.h"
#include "device/force_ip_port.h"
#include "net/interface_link.h"

namespace device {

std::vector<net::Mac> sharersOf(const CameraTarget& camera,
                                const std::vector<GigE_Camera_Info>& found) {
  std::vector<net::Mac> sharers;
  for (const GigE_Camera_Info& other : found) {
    net::Mac mac{};
    std::copy(std::begin(other.cameraMacHw), std::end(other.cameraMacHw), mac.begin());
    if (other.sourceIp == camera.ip && mac != camera.mac &&
        net::sameLink(other.adaptor.getName(), camera.interface) &&
        std::find(sharers.begin(), sharers.end(), mac) == sharers.end()) {
      sharers.push_back(mac);
    }
  }
  return sharers;
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
      std::launch::async, [&port, &camera] { return port.probe(ntohl(camera.ip), kSharerProbe); });
  if (alongside) alongside(camera);
  const net::ProbeResult probed = probing.get();
  if (probed.kind == net::ProbeResult::Kind::kLinkFailed) {
    return fault(Fault::kFailed, "ARP probe of " + camera.address + " on adapter " +
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

#include "device/force_ip_port.h"

#include <net/if.h>

#include <cerrno>
#include <cstring>

#include "device/camera_return.h"
#include "device/fault.h"
#include "gvcp/forceip_exchange.h"
#include "net/host_interfaces.h"
#include "net/ipv4.h"

namespace device {

std::variant<net::PacketSocket, gvcp::Status> openProbeSocket(const std::string& purpose) {
  net::PacketSocket sock = net::openArpSocket();
  if (sock) return sock;
  const int error = errno;
  if (error == EPERM || error == EACCES) {
    return fault(Fault::kNoPrivilege,
                 purpose +
                     " needs the packet-socket privilege, to probe the address with ARP and to "
                     "see a camera outside the adapter's subnet: grant it with 'setcap "
                     "cap_net_raw+p' on the binary, or run as root");
  }
  return fault(Fault::kFailed, std::string("packet socket: ") + std::strerror(error));
}

NetworkPort::NetworkPort(const CameraTarget& camera, net::PacketSocket arpSocket, int timeoutMs)
    : camera_(camera),
      link_(std::move(arpSocket),
            static_cast<int>(::if_nametoindex(camera.adapter->getName().c_str()))),
      timeoutMs_(timeoutMs) {
  unsigned char ours[MacAddress::kSize] = {};
  camera_.adapter->getMacHw(ours, sizeof ours);
  ours_.setMac(ours, MacAddress::kSize);
  owner_.setMac(camera_.mac.data(), MacAddress::kSize);
}

net::ProbeResult NetworkPort::probe(net::Ipv4 ip) { return probe(ip, {}); }

net::ProbeResult NetworkPort::probe(net::Ipv4 ip, const net::ProbeTiming& timing) {
  return net::probeAddress(link_, ours_, ip.host(), owner_, timing);
}

gvcp::Status NetworkPort::force(net::Ipv4 ip, net::Ipv4 mask, net::Ipv4 gateway) {
  gvcp::ForceIpExchange exchange;
  exchange.sourceIp = camera_.adapter->ipValue();
  exchange.interfaceName = camera_.adapter->getName();
  return gvcp::forceIpAcknowledged(camera_.mac.data(), ForceIpSet{ip.network(), mask.network()},
                                   gateway.network(), exchange);
}

std::optional<net::Ipv4> NetworkPort::whereAnswers(net::Ipv4 ip) {
  const ReturnSearch search{{*camera_.adapter}, std::chrono::milliseconds(timeoutMs_), {}, ip};
  const std::optional<GigE_Camera_Info> found = awaitByMac(camera_.mac, search);
  if (!found) return std::nullopt;
  return net::Ipv4::fromNetwork(found->sourceIp);
}

ForceIpPlan forceIpPlan(const CameraTarget& camera, const net::AddressSet& set, bool autoIp,
                        bool force, const std::vector<net::HostInterface>& host) {
  ForceIpPlan plan;
  plan.mac = net::macText(camera.mac);
  plan.currentIp = camera.ip;
  plan.adapterName = camera.adapter->getName();
  plan.adapterIp = camera.adapter->address();
  plan.adapterMask = camera.adapter->mask();
  for (const Adaptor& adaptor : net::ipv4Adapters(host)) {
    plan.hostAddresses.emplace_back(adaptor.getName(), adaptor.address());
  }
  if (!autoIp) plan.ip = set.ip;
  plan.mask = set.mask;
  plan.gateway = set.gateway;
  plan.force = force;
  return plan;
}

std::string sharingText(const CameraTarget& target, const std::vector<net::Mac>& sharers) {
  std::string others;
  for (const auto& mac : sharers) others += (others.empty() ? "" : ", ") + net::macText(mac);
  return "camera " + net::macText(target.mac) + " shares address " + target.ip.text() + " with " +
         others;
}

Relocation moveOffSharedAddress(const CameraTarget& target, const std::vector<net::Mac>& sharers,
                                int timeoutMs, const std::function<bool()>& stopRequested,
                                const std::vector<net::HostInterface>& host) {
  Relocation relocation{target, std::nullopt, std::nullopt, gvcp::Status::Ok()};
  if (sharers.empty() || !target.adapter) return relocation;
  const std::string what = sharingText(target, sharers);
  std::variant<net::PacketSocket, gvcp::Status> arpSocket =
      openProbeSocket("moving a camera off a shared address");
  if (auto* refused = std::get_if<gvcp::Status>(&arpSocket)) {
    relocation.status = gvcp::Status::Local(refused->code(), what + "; " + refused->toString());
    return relocation;
  }
  NetworkPort port(target, std::move(std::get<net::PacketSocket>(arpSocket)), timeoutMs);
  const net::AddressSet automatic{{}, target.adapter->mask(), {}};
  TemporaryForce& forced = relocation.forced.emplace(
      TemporaryForce{forceIpPlan(target, automatic, true, false, host), ForceIpOutcome{}});
  forced.outcome = forceIp(forced.plan, port, stopRequested);
  // Success means the camera answered a discovery from the address sent.
  if (!forced.outcome.status.ok() || !forced.outcome.sent) {
    relocation.status = gvcp::Status::Local(
        forced.outcome.status.code(),
        what + ": " + forced.outcome.status.toString() + "; nothing was written");
    return relocation;
  }
  const net::Ipv4 ip = *forced.outcome.sent;
  relocation.target.ip = ip;
  relocation.temporaryIp = ip;
  return relocation;
}

}  // namespace device

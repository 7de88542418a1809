#include "cli/commands/force_ip_command.h"

#include <arpa/inet.h>
#include <net/if.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <utility>

#include "cli/camera_lookup.h"
#include "cli/discovery_run.h"
#include "cli/force_ip_flow.h"
#include "gvcp/forceip_exchange.h"
#include "net/host_interfaces.h"
#include "net/packet_link.h"

namespace cli {

namespace {

constexpr const char* kNoPrivilegeText =
    "force-ip needs the packet-socket privilege, to probe the address with ARP and to see a "
    "camera outside the adapter's subnet: grant it with 'setcap cap_net_raw+ep' on the binary, or "
    "run as root";

// The real network of the flow: an ARP socket on the camera's adapter, the
// FORCEIP exchange from the adapter's address, a discovery on that adapter.
class NetworkPort : public cli::ForceIpPort {
 public:
  NetworkPort(const GigE_Camera_Info& camera, UniqueFd arpSocket, int timeoutMs, std::ostream& err)
      : camera_(camera),
        link_(std::move(arpSocket),
              static_cast<int>(::if_nametoindex(camera.adaptor.getName().c_str()))),
        timeoutMs_(timeoutMs),
        err_(err) {
    unsigned char ours[MacAddress::kSize] = {};
    camera_.adaptor.getMacHw(ours, sizeof ours);
    ours_.setMac(ours, MacAddress::kSize);
    owner_.setMac(camera_.cameraMacHw, MacAddress::kSize);
  }

  arp::ProbeResult probe(uint32_t ip) override {
    return arp::probeAddress(link_, ours_, ip, owner_);
  }

  gvcp::Status force(uint32_t ip, uint32_t mask, uint32_t gateway) override {
    gvcp::ForceIpExchange exchange;
    exchange.sourceIp = camera_.adaptor.ipValue();
    return gvcp::forceIpAcknowledged(camera_.cameraMacHw, ForceIpSet{htonl(ip), htonl(mask)},
                                     htonl(gateway), exchange);
  }

  std::optional<uint32_t> whereAnswers() override {
    const DiscoveryOutcome found = discoverForCommandLine({camera_.adaptor}, timeoutMs_, err_);
    for (const GigE_Camera_Info& camera : found.cameras) {
      if (std::memcmp(camera.cameraMacHw, camera_.cameraMacHw, MacAddress::kSize) == 0) {
        return ntohl(camera.sourceIp);
      }
    }
    return std::nullopt;
  }

 private:
  const GigE_Camera_Info camera_;
  arp::PacketLink link_;
  MacAddress ours_;
  MacAddress owner_;
  int timeoutMs_;
  std::ostream& err_;
};

cli::ForceIpPlan planFor(const Invocation& invocation, const GigE_Camera_Info& camera) {
  cli::ForceIpPlan plan;
  plan.mac = macText(std::span<const uint8_t, MacAddress::kSize>(camera.cameraMacHw));
  plan.currentIp = ntohl(camera.sourceIp);
  plan.adapterName = camera.adaptor.getName();
  plan.adapterIp = ntohl(camera.adaptor.ipValue());
  plan.adapterMask = ntohl(camera.adaptor.netmaskValue());
  for (const Adaptor& adaptor : ipv4Adapters(listHostInterfaces())) {
    plan.hostAddresses.emplace_back(adaptor.getName(), ntohl(adaptor.ipValue()));
  }
  const cli::AddressSet& set = *invocation.addresses;
  if (!invocation.autoIp) plan.ip = set.ip;
  plan.mask = set.mask;
  plan.gateway = set.gateway;
  plan.force = invocation.force;
  return plan;
}

}  // namespace

CommandResult runForceIp(const Invocation& invocation, const Selector& selector,
                         const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                         std::ostream& err) {
  // Checked first, so that a run without the privilege sends nothing at all.
  UniqueFd arpSocket = arp::openArpSocket();
  if (!arpSocket) {
    const int error = errno;
    if (error == EPERM || error == EACCES) return failure(ExitCode::kNoPrivilege, kNoPrivilegeText);
    return failure(ExitCode::kFailed, std::string("packet socket: ") + std::strerror(error));
  }
  const DiscoveredLookup lookup = findDiscovered(invocation, selector, adapters, err);
  if (!lookup.camera) return lookup.failure;
  NetworkPort port(*lookup.camera, std::move(arpSocket), invocation.timeoutMs, err);
  return cli::runForceIpFlow(planFor(invocation, *lookup.camera), port, signals, err);
}

}  // namespace cli

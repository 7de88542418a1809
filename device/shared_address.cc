#include "device/shared_address.h"

#include <arpa/inet.h>

#include "device/fault.h"
#include "device/force_ip_port.h"
#include "net/ipv4address.h"

namespace device {
namespace {

// `status` with `text` around its words, its code kept (any camera status
// becomes Fault::kFailed).
gvcp::Status worded(const gvcp::Status& status, const std::string& text) {
  return gvcp::Status::Local(
      status.isCameraStatus() ? static_cast<int>(Fault::kFailed) : status.code(), text);
}

}  // namespace

std::string sharingText(const CameraTarget& target, const std::vector<net::Mac>& sharers) {
  std::string others;
  for (const auto& mac : sharers) others += (others.empty() ? "" : ", ") + net::macText(mac);
  return "camera " + net::macText(target.mac) + " shares address " + target.address + " with " +
         others;
}

Relocation moveOffSharedAddress(const CameraTarget& target, const std::vector<net::Mac>& sharers,
                                int timeoutMs, const std::function<bool()>& stopRequested) {
  Relocation relocation{target, std::nullopt, std::nullopt, gvcp::Status::Ok()};
  if (sharers.empty() || !target.adapter) return relocation;
  const std::string what = sharingText(target, sharers);
  std::variant<net::PacketSocket, gvcp::Status> arpSocket =
      openProbeSocket("moving a camera off a shared address");
  if (auto* refused = std::get_if<gvcp::Status>(&arpSocket)) {
    relocation.status = worded(*refused, what + "; " + refused->toString());
    return relocation;
  }
  NetworkPort port(target, std::move(std::get<net::PacketSocket>(arpSocket)), timeoutMs);
  const net::AddressSet automatic{0, ntohl(target.adapter->netmaskValue()), 0};
  TemporaryForce& forced = relocation.forced.emplace(
      TemporaryForce{forceIpPlan(target, automatic, true, false), ForceIpOutcome{}});
  forced.outcome = forceIp(forced.plan, port, stopRequested);
  // Success means the camera answered a discovery from the address sent.
  if (!forced.outcome.status.ok() || !forced.outcome.sent) {
    relocation.status =
        worded(forced.outcome.status,
               what + ": " + forced.outcome.status.toString() + "; nothing was written");
    return relocation;
  }
  const uint32_t ip = htonl(*forced.outcome.sent);
  relocation.target.ip = ip;
  relocation.target.address = net::dottedQuad(ip);
  relocation.temporaryIp = ip;
  return relocation;
}

}  // namespace device

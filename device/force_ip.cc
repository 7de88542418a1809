#include "device/force_ip.h"

#include <variant>

#include "device/auto_address.h"
#include "device/fault.h"
#include "gvcp/forceip_exchange.h"
#include "net/address_set.h"

namespace device {
namespace {

using net::cidrText;
using net::Ipv4;
using ProbeKind = net::ProbeResult::Kind;
// The address the flow settled on, or why it ends.
using Chosen = std::variant<Ipv4, gvcp::Status>;

gvcp::Status interrupted() { return fault(Fault::kInterrupted, "interrupted"); }

gvcp::Status probeFailed(const ForceIpPlan& plan) {
  return fault(Fault::kFailed, "the ARP probe on adapter " + plan.adapterName + " failed");
}

// The name of this host's adapter that holds `ip`, if any.
std::optional<std::string> hostAdapterHolding(const ForceIpPlan& plan,
                                              const std::optional<Ipv4>& ip) {
  for (const auto& [name, address] : plan.hostAddresses) {
    if (ip == address) return name;
  }
  return std::nullopt;
}

// Checks that need the adapter the camera was found on; nothing has gone to
// the camera yet, so a violation is bad input.
gvcp::Status adapterProblem(const ForceIpPlan& plan) {
  // FORCEIP names its camera by MAC alone: every device reporting the
  // all-zero MAC would take the address.
  if (plan.mac == "00:00:00:00:00:00") {
    return fault(Fault::kFailed, "camera " + plan.mac +
                                     ": FORCEIP would reach every device reporting this "
                                     "MAC; nothing was sent");
  }
  if (const std::optional<std::string> holder = hostAdapterHolding(plan, plan.ip)) {
    return fault(Fault::kUsage,
                 "--ip " + plan.ip->text() + ": the address of this host's adapter " + *holder);
  }
  // Every candidate of --ip auto shares the adapter's subnet under the
  // requested mask, so the gateway can be judged before one is picked.
  if (plan.ip) return gvcp::Status::Ok();
  if (auto reason = net::gatewayProblem({plan.adapterIp, plan.mask, plan.gateway})) {
    return fault(Fault::kUsage, "--gateway " + plan.gateway.text() + ": " + *reason +
                                    ", where --ip auto picks on adapter " + plan.adapterName);
  }
  return gvcp::Status::Ok();
}

Chosen probeGiven(const ForceIpPlan& plan, ForceIpPort& port, ForceIpOutcome& outcome) {
  const Ipv4 ip = *plan.ip;
  const net::ProbeResult result = port.probe(ip);
  if (result.kind == ProbeKind::kLinkFailed) return probeFailed(plan);
  if (result.kind == ProbeKind::kFree) return ip;
  const std::string station = result.answeredBy.getMacInStr(false);
  if (!plan.force) {
    return fault(Fault::kFailed, "address " + ip.text() + " is in use: " + station +
                                     " answered an ARP probe on adapter " + plan.adapterName +
                                     " (--force assigns it anyway)");
  }
  outcome.notes.push_back({ForceIpNote::Kind::kAssignedInUse, ip, station});
  outcome.inUseBy = station;
  return ip;
}

Chosen pickAddress(const ForceIpPlan& plan, ForceIpPort& port,
                   const std::function<bool()>& stopRequested) {
  const Ipv4 mask = autoCandidateMask(plan.adapterMask, plan.mask);
  // The candidates' arithmetic runs on host-order numbers.
  const AutoPick pick = pickFreeAddress(plan.adapterIp.host(), mask.host(), [&](uint32_t number) {
    const Ipv4 candidate = Ipv4::fromHost(number);
    if (stopRequested()) return ProbeVerdict::kFailed;  // stops the walk
    if (hostAdapterHolding(plan, candidate)) return ProbeVerdict::kInUse;
    const ProbeKind kind = port.probe(candidate).kind;
    if (kind == ProbeKind::kLinkFailed) return ProbeVerdict::kFailed;
    return kind == ProbeKind::kFree ? ProbeVerdict::kFree : ProbeVerdict::kInUse;
  });
  if (stopRequested()) return interrupted();
  if (pick.probeFailed) return probeFailed(plan);
  if (pick.address) return Ipv4::fromHost(*pick.address);
  return fault(Fault::kFailed, "no free address among the " + std::to_string(pick.probed) +
                                   " highest of " +
                                   cidrText(net::networkOf(plan.adapterIp, mask), mask) +
                                   " on adapter " + plan.adapterName);
}

// After FORCEIP: the camera must answer a discovery from the new address
// within the window; an answer still coming from the old one does not end it.
gvcp::Status confirm(const ForceIpPlan& plan, Ipv4 ip, bool acknowledged, ForceIpPort& port) {
  const std::optional<Ipv4> at = port.whereAnswers(ip);
  if (!at) {
    return fault(Fault::kFailed, "camera " + plan.mac + " did not answer a discovery on adapter " +
                                     plan.adapterName + " after FORCEIP" +
                                     (acknowledged ? "" : " (FORCEIP was not acknowledged)"));
  }
  if (*at == ip) return gvcp::Status::Ok();
  return fault(Fault::kFailed, "camera " + plan.mac + " still answers at " + at->text() +
                                   ", not at " + ip.text() + ": it did not take the address");
}

// FORCEIP with `ip`, then the confirmation, unless a stop comes between.
gvcp::Status sendAndConfirm(const ForceIpPlan& plan, Ipv4 ip, ForceIpPort& port,
                            const std::function<bool()>& stopRequested, ForceIpOutcome& outcome) {
  outcome.sent = ip;
  const gvcp::Status sent = port.force(ip, plan.mask, plan.gateway);
  outcome.acknowledged = sent.ok();
  const bool unanswered = sent.code() == gvcp::ForceIpSite::kNoAnswer && !sent.isCameraStatus();
  if (!outcome.acknowledged && !unanswered) {
    return fault(Fault::kFailed, "camera " + plan.mac + ": " + sent.toString());
  }
  if (stopRequested()) return interrupted();
  const gvcp::Status confirmed = confirm(plan, ip, outcome.acknowledged, port);
  if (stopRequested()) return interrupted();
  if (confirmed.ok() && !outcome.acknowledged) {
    outcome.notes.push_back({ForceIpNote::Kind::kAnswersUnacknowledged, ip, plan.mac});
  }
  return confirmed;
}

}  // namespace

Ipv4 autoCandidateMask(Ipv4 adapterMask, Ipv4 requestedMask) {
  // Contiguous masks: the longer prefix.
  return Ipv4::fromHost(adapterMask.host() | requestedMask.host());
}

ForceIpOutcome forceIp(const ForceIpPlan& plan, ForceIpPort& port,
                       const std::function<bool()>& stopRequested) {
  ForceIpOutcome outcome;
  outcome.status = adapterProblem(plan);
  if (outcome.status.ok() && stopRequested()) outcome.status = interrupted();
  if (!outcome.status.ok()) return outcome;
  const Chosen chosen =
      plan.ip ? probeGiven(plan, port, outcome) : pickAddress(plan, port, stopRequested);
  if (const auto* ended = std::get_if<gvcp::Status>(&chosen)) {
    outcome.status = *ended;
  } else if (stopRequested()) {
    outcome.status = interrupted();
  } else {
    outcome.picked = !plan.ip;
    outcome.status = sendAndConfirm(plan, std::get<Ipv4>(chosen), port, stopRequested, outcome);
  }
  return outcome;
}

}  // namespace device

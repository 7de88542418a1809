#include "cli/force_ip_flow.h"

#include <variant>

#include "cli/input/address_rules.h"
#include "device/auto_address.h"
#include "gvcp/forceip_exchange.h"

namespace cli {
namespace {

// The address the flow settled on, and how.
struct Choice {
  uint32_t ip = 0;
  bool picked = false;                 // by --ip auto
  std::optional<std::string> inUseBy;  // the station that answered, when forced anyway
};

CommandResult probeFailed(const ForceIpPlan& plan) {
  return failure(ExitCode::kFailed, "the ARP probe on adapter " + plan.adapterName + " failed");
}

// The name of this host's adapter that holds `ip`, if any.
std::optional<std::string> hostAdapterHolding(const ForceIpPlan& plan,
                                              const std::optional<uint32_t>& ip) {
  for (const auto& [name, address] : plan.hostAddresses) {
    if (ip == address) return name;
  }
  return std::nullopt;
}

// Checks that need the adapter the camera was found on; nothing has gone to
// the camera yet, so a violation is bad input.
std::optional<CommandResult> adapterProblem(const ForceIpPlan& plan) {
  // FORCEIP names its camera by MAC alone: every device reporting the
  // all-zero MAC would take the address.
  if (plan.mac == "00:00:00:00:00:00") {
    return failure(ExitCode::kFailed, "camera " + plan.mac +
                                          ": FORCEIP would reach every device reporting this "
                                          "MAC; nothing was sent");
  }
  if (const std::optional<std::string> holder = hostAdapterHolding(plan, plan.ip)) {
    return failure(ExitCode::kUsage, "--ip " + dottedText(*plan.ip) +
                                         ": the address of this host's adapter " + *holder);
  }
  // Every candidate of --ip auto shares the adapter's subnet under the
  // requested mask, so the gateway can be judged before one is picked.
  if (plan.ip) return std::nullopt;
  if (auto reason = gatewayProblem({plan.adapterIp, plan.mask, plan.gateway})) {
    return failure(ExitCode::kUsage, "--gateway " + dottedText(plan.gateway) + ": " + *reason +
                                         ", where --ip auto picks on adapter " + plan.adapterName);
  }
  return std::nullopt;
}

std::variant<Choice, CommandResult> probeGiven(const ForceIpPlan& plan, ForceIpPort& port,
                                               std::ostream& err) {
  const uint32_t ip = *plan.ip;
  const net::ProbeResult result = port.probe(ip);
  if (result.kind == net::ProbeResult::Kind::kLinkFailed) return probeFailed(plan);
  if (result.kind == net::ProbeResult::Kind::kFree) return Choice{ip, false, std::nullopt};
  const std::string station = result.answeredBy.getMacInStr(false);
  if (!plan.force) {
    return failure(ExitCode::kFailed, "address " + dottedText(ip) + " is in use: " + station +
                                          " answered an ARP probe on adapter " + plan.adapterName +
                                          " (--force assigns it anyway)");
  }
  err << "warning: address " << dottedText(ip) << " is in use by " << station
      << ", assigning it anyway (--force)\n";
  return Choice{ip, false, station};
}

std::variant<Choice, CommandResult> pickAddress(const ForceIpPlan& plan, ForceIpPort& port,
                                                const SignalGuard& signals) {
  const uint32_t mask = autoCandidateMask(plan.adapterMask, plan.mask);
  const device::AutoPick pick =
      device::pickFreeAddress(plan.adapterIp, mask, [&](uint32_t candidate) {
        if (signals.stopRequested()) return device::ProbeVerdict::kFailed;  // stops the walk
        if (hostAdapterHolding(plan, candidate)) return device::ProbeVerdict::kInUse;
        switch (port.probe(candidate).kind) {
          case net::ProbeResult::Kind::kFree:
            return device::ProbeVerdict::kFree;
          case net::ProbeResult::Kind::kInUse:
            return device::ProbeVerdict::kInUse;
          case net::ProbeResult::Kind::kLinkFailed:
            break;
        }
        return device::ProbeVerdict::kFailed;
      });
  if (signals.stopRequested()) return interrupted();
  if (pick.probeFailed) return probeFailed(plan);
  if (!pick.address) {
    return failure(ExitCode::kFailed, "no free address among the " + std::to_string(pick.probed) +
                                          " highest of " + cidrText(plan.adapterIp & mask, mask) +
                                          " on adapter " + plan.adapterName);
  }
  return Choice{*pick.address, true, std::nullopt};
}

CommandResult success(const ForceIpPlan& plan, const Choice& choice, bool acknowledged) {
  CommandResult result;
  result.data["camera"] = {{"mac", plan.mac},
                           {"ip", dottedText(choice.ip)},
                           {"mask", dottedText(plan.mask)},
                           {"gateway", dottedText(plan.gateway)}};
  result.data["previous_ip"] = dottedText(plan.currentIp);
  result.data["adapter"] = plan.adapterName;
  result.data["picked"] = choice.picked;
  result.data["acknowledged"] = acknowledged;
  result.data["in_use_by"] = choice.inUseBy ? nlohmann::ordered_json(*choice.inUseBy) : nullptr;
  result.text = "camera " + plan.mac + " now answers at " + cidrText(choice.ip, plan.mask) +
                " on adapter " + plan.adapterName + " (was " + dottedText(plan.currentIp) + ")" +
                (choice.picked ? ", the first free address from the top of the subnet" : "") + "\n";
  return result;
}

// After FORCEIP: the camera must answer a discovery from the new address
// within the window; an answer still coming from the old one does not end it.
CommandResult confirm(const ForceIpPlan& plan, const Choice& choice, bool acknowledged,
                      ForceIpPort& port, const SignalGuard& signals, std::ostream& err) {
  const std::optional<uint32_t> at = port.whereAnswers(choice.ip);
  if (signals.stopRequested()) return interrupted();
  if (!at) {
    return failure(ExitCode::kFailed, "camera " + plan.mac +
                                          " did not answer a discovery on adapter " +
                                          plan.adapterName + " after FORCEIP" +
                                          (acknowledged ? "" : " (FORCEIP was not acknowledged)"));
  }
  if (*at != choice.ip) {
    return failure(ExitCode::kFailed, "camera " + plan.mac + " still answers at " +
                                          dottedText(*at) + ", not at " + dottedText(choice.ip) +
                                          ": it did not take the address");
  }
  if (!acknowledged) {
    err << "warning: FORCEIP was not acknowledged, but camera " << plan.mac << " answers at "
        << dottedText(choice.ip) << "\n";
  }
  return success(plan, choice, acknowledged);
}

}  // namespace

uint32_t autoCandidateMask(uint32_t adapterMask, uint32_t requestedMask) {
  return adapterMask | requestedMask;  // contiguous masks: the longer prefix
}

CommandResult runForceIpFlow(const ForceIpPlan& plan, ForceIpPort& port, const SignalGuard& signals,
                             std::ostream& err) {
  if (std::optional<CommandResult> bad = adapterProblem(plan)) return *bad;
  if (signals.stopRequested()) return interrupted();
  std::variant<Choice, CommandResult> chosen =
      plan.ip ? probeGiven(plan, port, err) : pickAddress(plan, port, signals);
  if (auto* stopped = std::get_if<CommandResult>(&chosen)) return *stopped;
  const Choice choice = std::get<Choice>(chosen);
  if (signals.stopRequested()) return interrupted();
  const gvcp::Status sent = port.force(choice.ip, plan.mask, plan.gateway);
  const bool acknowledged = sent.ok();
  const bool unanswered = sent.code() == gvcp::ForceIpSite::kNoAnswer && !sent.isCameraStatus();
  if (!acknowledged && !unanswered) {
    return failure(ExitCode::kFailed, "camera " + plan.mac + ": " + sent.toString());
  }
  if (signals.stopRequested()) return interrupted();
  return confirm(plan, choice, acknowledged, port, signals, err);
}

}  // namespace cli

#include "cli/force_ip_flow.h"

#include "cli/input/address_rules.h"

namespace cli {
namespace {

void writeNotes(const std::vector<device::ForceIpNote>& notes, std::ostream& err) {
  for (const device::ForceIpNote& note : notes) {
    if (note.kind == device::ForceIpNote::Kind::kAssignedInUse) {
      err << "warning: address " << net::dottedText(note.ip) << " is in use by " << note.mac
          << ", assigning it anyway (--force)\n";
    } else {
      err << "warning: FORCEIP was not acknowledged, but camera " << note.mac << " answers at "
          << net::dottedText(note.ip) << "\n";
    }
  }
}

}  // namespace

CommandResult renderForceIp(const ForceIpPlan& plan, const device::ForceIpOutcome& outcome,
                            std::ostream& err) {
  writeNotes(outcome.notes, err);
  if (!outcome.status.ok()) return failureOf(outcome.status);
  const uint32_t ip = outcome.sent.value_or(0);
  CommandResult result;
  result.data["camera"] = {{"mac", plan.mac},
                           {"ip", net::dottedText(ip)},
                           {"mask", net::dottedText(plan.mask)},
                           {"gateway", net::dottedText(plan.gateway)}};
  result.data["previous_ip"] = net::dottedText(plan.currentIp);
  result.data["adapter"] = plan.adapterName;
  result.data["picked"] = outcome.picked;
  result.data["acknowledged"] = outcome.acknowledged;
  result.data["in_use_by"] = outcome.inUseBy ? nlohmann::ordered_json(*outcome.inUseBy) : nullptr;
  result.text = "camera " + plan.mac + " now answers at " +
                cidrText(net::Ipv4::fromHost(ip), net::Ipv4::fromHost(plan.mask)) + " on adapter " +
                plan.adapterName + " (was " + net::dottedText(plan.currentIp) + ")" +
                (outcome.picked ? ", the first free address from the top of the subnet" : "") +
                "\n";
  return result;
}

CommandResult runForceIpFlow(const ForceIpPlan& plan, ForceIpPort& port, const SignalGuard& signals,
                             std::ostream& err) {
  return renderForceIp(plan, device::forceIp(plan, port, [&] { return signals.stopRequested(); }),
                       err);
}

}  // namespace cli

#include "cli/camera/force_ip_flow.h"

#include "cli/input/address_rules.h"

namespace cli {
namespace {

void writeNotes(const std::vector<device::ForceIpNote>& notes, std::ostream& err) {
  for (const device::ForceIpNote& note : notes) {
    if (note.kind == device::ForceIpNote::Kind::kAssignedInUse) {
      err << "warning: address " << note.ip.text() << " is in use by " << note.mac
          << ", assigning it anyway (--force)\n";
    } else {
      err << "warning: FORCEIP was not acknowledged, but camera " << note.mac << " answers at "
          << note.ip.text() << "\n";
    }
  }
}

}  // namespace

CommandResult renderForceIp(const ForceIpPlan& plan, const device::ForceIpOutcome& outcome,
                            std::ostream& err) {
  writeNotes(outcome.notes, err);
  if (!outcome.status.ok()) return failureOf(outcome.status);
  const net::Ipv4 ip = outcome.sent.value_or(net::Ipv4());
  CommandResult result;
  result.data["camera"] = {{"mac", plan.mac},
                           {"ip", ip.text()},
                           {"mask", plan.mask.text()},
                           {"gateway", plan.gateway.text()}};
  result.data["previous_ip"] = plan.currentIp.text();
  result.data["adapter"] = plan.adapterName;
  result.data["picked"] = outcome.picked;
  result.data["acknowledged"] = outcome.acknowledged;
  result.data["in_use_by"] = outcome.inUseBy ? nlohmann::ordered_json(*outcome.inUseBy) : nullptr;
  result.text = "camera " + plan.mac + " now answers at " + cidrText(ip, plan.mask) +
                " on adapter " + plan.adapterName + " (was " + plan.currentIp.text() + ")" +
                (outcome.picked ? ", the first free address from the top of the subnet" : "") +
                "\n";
  return result;
}

}  // namespace cli

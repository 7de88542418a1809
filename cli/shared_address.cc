#include "cli/shared_address.h"

#include "cli/change_audit.h"
#include "device/fault.h"
#include "device/force_ip_port.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace cli {

Relocation moveOffSharedAddress(const device::CameraTarget& target,
                                const std::vector<net::Mac>& sharers, int timeoutMs,
                                const SignalGuard& signals, std::ostream& err) {
  const device::Relocation moved = device::moveOffSharedAddress(
      target, sharers, timeoutMs, [&] { return signals.stopRequested(); });
  if (moved.forced) {
    recordForceIp(audit::Action::kTemporaryAddress, target, moved.forced->plan,
                  moved.forced->outcome, err);
  }
  if (!moved.status.ok()) return {target, std::nullopt, failureOf(moved.status)};
  if (moved.temporaryIp) {
    err << device::sharingText(target, sharers) << ": it answers at the temporary address "
        << moved.target.address << " until it restarts\n";
  }
  return {moved.target, moved.temporaryIp, std::nullopt};
}

Relocation findChangeable(const Invocation& invocation, const Selector& selector,
                          const std::vector<Adaptor>& adapters, const SignalGuard& signals,
                          std::ostream& err, const WhileProbing& alongside) {
  device::Lookup lookup = findCamera(invocation, selector, adapters, err, LookupUse::kChange);
  if (!lookup.target) return {{}, std::nullopt, lookupFailure(lookup)};
  const bool byAddress = selector.kind == Selector::Kind::kAddress && lookup.endedAtAnswer;
  // A check or a dry run changes nothing, not even the address; it reads
  // through the identity check, which stops at a device that is not the
  // camera the lookup found.
  if ((invocation.check || invocation.dryRun) && !byAddress) {
    return {*lookup.target, std::nullopt, std::nullopt};
  }
  auto sharers = lookup.endedAtAnswer
                     ? device::sharersByArp(*lookup.target, invocation.timeoutMs, alongside)
                     : std::variant<std::vector<net::Mac>, gvcp::Status>(
                           device::sharersOf(*lookup.target, lookup.found));
  auto* failed = std::get_if<gvcp::Status>(&sharers);
  // An address names whatever answers there. Where another station answers
  // too (or nothing can tell without the probe's privilege) one discovery
  // shows the cameras at that address: several are ambiguous (exit 4), and
  // the command goes on only with one.
  const bool unsure =
      failed != nullptr && failed->code() == static_cast<int>(device::Fault::kNoPrivilege);
  if (byAddress && (unsure || (failed == nullptr && !std::get<0>(sharers).empty()))) {
    lookup = findCameraByDiscovery(invocation, selector, adapters, err, LookupUse::kChange);
    if (!lookup.target) return {{}, std::nullopt, lookupFailure(lookup)};
    sharers = device::sharersOf(*lookup.target, lookup.found);
    failed = nullptr;
  }
  if (failed != nullptr) return {{}, std::nullopt, failureOf(*failed)};
  if (invocation.check || invocation.dryRun) return {*lookup.target, std::nullopt, std::nullopt};
  return moveOffSharedAddress(*lookup.target, std::get<0>(sharers), invocation.timeoutMs, signals,
                              err);
}

CommandResult withTemporaryIp(CommandResult result, const Relocation& relocation) {
  if (relocation.temporaryIp) result.data["temporary_ip"] = relocation.temporaryIp->text();
  return result;
}

}  // namespace cli

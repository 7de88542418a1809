#include "cli/camera/shared_address.h"

#include "cli/camera/change_audit.h"
#include "device/force_ip_port.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace cli {

Relocation moveOffSharedAddress(const device::CameraTarget& target,
                                const std::vector<net::Mac>& sharers, int timeoutMs,
                                const os::SignalGuard& signals, std::ostream& err,
                                const std::vector<net::HostInterface>& host) {
  const device::Relocation moved = device::moveOffSharedAddress(
      target, sharers, timeoutMs, [&] { return signals.stopRequested(); }, host);
  if (moved.forced) {
    recordForceIp(audit::Action::kTemporaryAddress, target, moved.forced->plan,
                  moved.forced->outcome, err);
  }
  if (!moved.status.ok()) return {target, std::nullopt, failureOf(moved.status)};
  if (moved.temporaryIp) {
    err << device::sharingText(target, sharers) << ": it answers at the temporary address "
        << moved.target.ip.text() << " until it restarts\n";
  }
  return {moved.target, moved.temporaryIp, std::nullopt};
}

CommandResult withTemporaryIp(CommandResult result, const Relocation& relocation) {
  if (relocation.temporaryIp) result.data["temporary_ip"] = relocation.temporaryIp->text();
  return result;
}

}  // namespace cli

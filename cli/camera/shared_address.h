// The command line's side of the move off a shared address
// (device/force_ip_port.h): FORCEIP's warnings and the move's line on `err`,
// and its audit record. The caller's thread.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "cli/camera/camera_lookup.h"
#include "cli/exit_code.h"
#include "device/address_sharers.h"
#include "net/host_interfaces.h"
#include "net/macaddress.h"
#include "os/signal_guard.h"

namespace cli {

struct Relocation {
  device::CameraTarget target;           // where the command goes on
  std::optional<net::Ipv4> temporaryIp;  // when it was moved
  std::optional<CommandResult> failure;  // nothing was written
};

// device::moveOffSharedAddress under `signals`, said on `err` and recorded;
// `target` unchanged when `sharers` is empty. `host`: the command's listing.
Relocation moveOffSharedAddress(const device::CameraTarget& target,
                                const std::vector<net::Mac>& sharers, int timeoutMs,
                                const os::SignalGuard& signals, std::ostream& err,
                                const std::vector<net::HostInterface>& host);

// `result` with "temporary_ip" when the camera was moved.
CommandResult withTemporaryIp(CommandResult result, const Relocation& relocation);

}  // namespace cli

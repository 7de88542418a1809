// `restart CAMERA [--wait-s N]`: takes control, requests the restart (the
// device-specific restart register), confirms that the camera went silent,
// then runs discoveries until one finds the camera again by its MAC, for at
// most N seconds (exit 1 beyond). Reports where it came back, with a warning
// when that is not what its IP configuration leads one to expect. A stop
// signal before the request gives control back (exit 130); after it, the
// wait ends (exit 130) and the privilege has ended with the restart.
// restartAndRediscover (also `set --restart`) words that restart, judged by
// the `config` it restarts with: "camera" and "restart" JSON fields, a line of
// text, and a warning line on `err` when it came back elsewhere than expected.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "device/camera_return.h"
#include "net/adaptor.h"
#include "os/signal_guard.h"

namespace cli {

CommandResult runRestart(const Invocation& invocation, const Selector& selector,
                         const std::vector<Adaptor>& adapters, const os::SignalGuard& signals,
                         std::ostream& err);

CommandResult restartAndRediscover(device::CameraSession& session, const net::Mac& mac,
                                   const device::RestartConfig& config,
                                   const Invocation& invocation,
                                   const std::vector<Adaptor>& adapters,
                                   const os::SignalGuard& signals, std::ostream& err);

}  // namespace cli

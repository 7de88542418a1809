// Restarting a camera this host holds control of, for `restart` and
// `set --restart`: device::restartAndReturn waits for it by its MAC for at
// most invocation.waitS seconds (a stop signal ends the wait), judged by the
// configuration it restarts with; this words the outcome: the "camera" and
// "restart" JSON fields and one line of text, with a warning line on `err`
// when it came back elsewhere than expected; or the failure (exit 1; exit 130
// when a stop signal ended the wait). The privilege ends with the restart, so
// the session gives nothing back afterwards. The caller's thread.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/signal_guard.h"
#include "device/camera_return.h"
#include "net/adaptor.h"
#include "net/macaddress.h"

namespace cli {

CommandResult restartAndRediscover(device::CameraSession& session, const net::Mac& mac,
                                   const device::RestartConfig& config,
                                   const Invocation& invocation,
                                   const std::vector<Adaptor>& adapters,
                                   const cli::SignalGuard& signals, std::ostream& err);

}  // namespace cli

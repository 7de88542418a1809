// `restart CAMERA [--wait-s N]`: takes control, requests the restart (the
// device-specific restart register), confirms that the camera went silent,
// then runs discoveries until one finds the camera again by its MAC, for at
// most N seconds (exit 1 beyond). Reports where it came back, with a warning
// when that is not what its IP configuration leads one to expect. A stop
// signal before the request gives control back (exit 130); after it, the
// wait ends (exit 130) and the privilege has ended with the restart.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "cli/signal_guard.h"
#include "net/adaptor.h"

namespace cli {

CommandResult runRestart(const Invocation& invocation, const Selector& selector,
                         const std::vector<Adaptor>& adapters, const cli::SignalGuard& signals,
                         std::ostream& err);

}  // namespace cli

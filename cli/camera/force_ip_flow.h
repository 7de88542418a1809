// The command line's side of FORCEIP for one camera (device/force_ip.h): the
// flow's outcome as the result a command hands to the renderer, and what the
// flow went on past as warnings on stderr. The caller's thread.
#pragma once

#include <ostream>

#include "cli/exit_code.h"
#include "device/force_ip.h"

namespace cli {

using device::autoCandidateMask;
using device::ForceIpPlan;
using device::ForceIpPort;

// The notes as warning lines on `err`, then the success (the camera's new
// address, mask and gateway, the one it had, the adapter, whether it was
// picked or acknowledged, the station it was forced over) or the failure.
CommandResult renderForceIp(const ForceIpPlan& plan, const device::ForceIpOutcome& outcome,
                            std::ostream& err);

}  // namespace cli

// `force-ip CAMERA --ip A|auto --mask M [--gateway G] [--force]`: finds the
// camera by one discovery (wherever its address lies), probes the address
// with ARP on the adapter it answered through (another station answering:
// exit 1 naming its MAC, unless --force), or with --ip auto picks the first
// free address from the top of the adapter's subnet down; then sends
// FORCEIP for the camera's MAC through that adapter and confirms by a new
// discovery that it answers at the new address (exit 1 when not). Needs the
// packet-socket privilege for the probe and to see a camera outside the
// subnet (exit 5 without it, before anything is sent). FORCEIP is a broadcast
// by MAC: control of the camera is never taken, so there is nothing to give
// back; a stop signal ends it between steps with exit 130. The caller's
// thread.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "net/adaptor.h"
#include "os/signal_guard.h"

namespace cli {

CommandResult runForceIp(const Invocation& invocation, const Selector& selector,
                         const std::vector<Adaptor>& adapters, const os::SignalGuard& signals,
                         std::ostream& err);

}  // namespace cli

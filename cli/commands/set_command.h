// `set CAMERA --mode persistent|dhcp|lla [--ip A --mask M [--gateway G]]
// [--restart [--wait-s N]] [--force]`: takes control of the camera, reads its
// settings, changes its IP mode (device/desired_state.h: refusals, the writes as
// one unit, every register read back) and gives control back; with
// --restart it then restarts the camera and waits for it as `restart` does,
// judging where it came back by the new mode. A stop signal before the take,
// before the writes or before the restart gives control back (exit 130);
// during the wait it ends the wait (exit 130). The caller's thread.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "net/adaptor.h"
#include "os/signal_guard.h"

namespace cli {

CommandResult runSet(const Invocation& invocation, const Selector& selector,
                     const std::vector<Adaptor>& adapters, const os::SignalGuard& signals,
                     std::ostream& err);

}  // namespace cli

// `watch`: one discovery every --interval-s over every adapter that is up (or
// the named ones; adapters that come up later join), the events of each round
// on `out` as they come, one line each, flushed (text, or JSON Lines with
// --json), and with --textfile the Prometheus metrics written whole after
// every round. Reads only: nothing is written to a camera and control is
// never taken. Runs until `guard` sees SIGINT or SIGTERM, then ends within a
// second with success. Warnings on `err`. The caller's thread.
#pragma once

#include <ostream>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "os/signal_guard.h"

namespace cli {

CommandResult runWatch(const Invocation& invocation, const os::SignalGuard& guard,
                       std::ostream& out, std::ostream& err);

}  // namespace cli

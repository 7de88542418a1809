// `rename CAMERA NAME`: writes the user-defined name (1 to 15 printable ASCII
// bytes, NUL-filled to its 16-byte field) under control of the camera and
// reads it back; a different read-back is a failure (exit 1). The name was
// checked when the command line was parsed. A stop signal before the write
// gives control back and ends with exit 130.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "net/adaptor.h"
#include "os/signal_guard.h"

namespace cli {

CommandResult runRename(const Invocation& invocation, const Selector& selector,
                        const std::vector<Adaptor>& adapters, const os::SignalGuard& signals,
                        std::ostream& err);

}  // namespace cli

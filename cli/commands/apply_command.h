// `apply FILE`: a planned address list applied to many cameras. The plan
// (cli/input/apply_plan.h) is read and checked whole, then one discovery finds
// every row's camera; a malformed file or a MAC that no camera answered for
// is reported with file and line, and then nothing is written to any camera.
// Each row then runs under its own control session, up to --jobs cameras at
// once: its mode as `set` writes it (no --force), then its name as `rename`
// writes it. A failed row does not stop the others. The results follow in
// file order, as a table or as the JSON "rows" array; exit 1 when any row
// failed. A stop signal lets the rows under way finish and give control
// back, starts no further row, and ends with exit 130.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "net/adaptor.h"
#include "os/signal_guard.h"

namespace cli {

// Larger files are no address plan; they are refused before reading on.
inline constexpr size_t kMaxPlanBytes = 1 << 20;

CommandResult runApply(const Invocation& invocation, const std::vector<Adaptor>& adapters,
                       const os::SignalGuard& signals, std::ostream& err);

}  // namespace cli

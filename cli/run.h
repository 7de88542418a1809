// The command line's front door: parse, check every argument before anything
// is sent, install the trace when asked, run the command and render its
// result as text or as exactly one JSON document on `out`; diagnostics go to
// `err`. Returns the exit code. Never ends the process itself.
#pragma once

#include <ostream>

namespace cli {

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace cli

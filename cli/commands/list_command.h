// `list`: one discovery over the chosen adapters, the cameras sorted by
// adapter name, then numerically by address (then MAC), as a table and as
// {"cameras": [...]}. No camera is success: "no camera found" on `err`.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "net/adaptor.h"
#include "net/host_interfaces.h"

namespace cli {

// `host`: the host's interfaces as listed for the adapters.
CommandResult runList(const Invocation& invocation, const std::vector<Adaptor>& adapters,
                      const std::vector<net::HostInterface>& host, std::ostream& err);

}  // namespace cli

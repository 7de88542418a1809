// `show CAMERA`: the camera's registers read into CameraSettings without
// taking control. An address that answers a register read is read at once;
// anything else is looked up by one discovery (exit 3 when nothing matches, 4
// with the candidates when several cameras do) and then read at the address
// it answered from. A read that fails is exit 1.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "net/adaptor.h"
#include "net/host_interfaces.h"

namespace cli {

// `host`: the host's interfaces as listed for the adapters.
CommandResult runShow(const Invocation& invocation, const Selector& selector,
                      const std::vector<Adaptor>& adapters,
                      const std::vector<net::HostInterface>& host, std::ostream& err);

}  // namespace cli

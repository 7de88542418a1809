// Restarting a camera this host holds control of, for `restart` and
// `set --restart`: the restart request (the device-specific restart
// register), a check that the camera went silent, then discoveries until one
// finds it again by its MAC, for at most invocation.waitS seconds. The result
// says where it came back ("camera" and "restart" JSON fields and one line of
// text), with a warning line on `err` when that is not where `expected` leads
// one to expect; or the failure (exit 1; exit 130 when a stop signal ends the
// wait). The privilege ends with the restart, so the session gives nothing
// back afterwards. The caller's thread.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/signal_guard.h"
#include "device/camera_session.h"
#include "net/adaptor.h"
#include "net/macaddress.h"

namespace cli {

// What the camera is expected to come back with: its MAC to find it, and the
// configuration register and persistent address (host order) it restarts with.
struct RestartExpectation {
  net::Mac mac{};
  uint32_t ipConfig = 0;
  uint32_t persistentIp = 0;
};

// `address` (dotted) names the camera in messages.
CommandResult restartAndRediscover(device::CameraSession& session, const std::string& address,
                                   const RestartExpectation& expected, const Invocation& invocation,
                                   const std::vector<Adaptor>& adapters,
                                   const cli::SignalGuard& signals, std::ostream& err);

}  // namespace cli

// The command line's discovery: the adapters it probes, and one discovery over
// all of them at once (device/discovery.h), with one warning on `err` when it
// had to fall back to ordinary UDP reception. The caller's thread.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "gvcp/camera_discovery.h"
#include "net/adaptor.h"

namespace cli {

inline constexpr const char* kUdpFallbackWarning =
    "warning: no privilege to open a packet socket, listening by ordinary UDP instead: cameras "
    "answering from outside an adapter's subnet may be missed; grant the privilege with "
    "'setcap cap_net_raw+p' on the binary, or run as root";

struct AdapterChoice {
  std::vector<Adaptor> adapters;
  std::string error;  // a named interface that is unknown or has no IPv4 address
};

// From the available adapters (those with an IPv4 address): every one but lo,
// or exactly the named ones, in the order available.
AdapterChoice chooseAdapters(const std::vector<Adaptor>& available,
                             const std::vector<std::string>& names);

// `stop` may end the window early (gvcp/discovery_listen.h).
gvcp::DiscoveryOutcome discoverForCommandLine(const std::vector<Adaptor>& adapters, int timeoutMs,
                                              std::ostream& err, const gvcp::AnswerStop& stop = {});

}  // namespace cli

// The command line's discovery: the adapters it probes and one discovery over
// all of them at once, re-sent within the window and merged by MAC, falling
// back to ordinary UDP reception (with one warning on `err`) when the packet
// socket is refused for lack of privilege. The caller's thread.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "gvcp/camera_discovery.h"
#include "net/adaptor.h"

// Requests within one window: a lost request or answer costs one of them,
// not the camera.
inline constexpr int kCommandLineSends = 4;

inline constexpr const char* kUdpFallbackWarning =
    "warning: no privilege to open a packet socket, listening by ordinary UDP instead: cameras "
    "answering from outside an adapter's subnet may be missed; grant the privilege with "
    "'setcap cap_net_raw+ep' on the binary, or run as root";

struct AdapterChoice {
  std::vector<Adaptor> adapters;
  std::string error;  // a named interface that is unknown or has no IPv4 address
};

// From the available adapters (those with an IPv4 address): every one but lo,
// or exactly the named ones, in the order available.
AdapterChoice chooseAdapters(const std::vector<Adaptor>& available,
                             const std::vector<std::string>& names);

DiscoveryOutcome discoverForCommandLine(const std::vector<Adaptor>& adapters, int timeoutMs,
                                        std::ostream& err);

// Cameras on one address (a new batch on its factory default): unicast to
// that address reaches whichever answers ARP first, so a command that
// changes one of them first gives it a temporary address of its own with
// FORCEIP (the --ip auto rule on the adapter it answered on, ARP-probed),
// says so on `err`, and goes on at that address; the other cameras receive
// nothing. A camera heard on another adapter at the same number is on
// another link and shares nothing. The others are those the whole discovery
// window heard or, when the lookup ended at the camera's answer, the station
// that answers an ARP probe for the address on the camera's adapter. The
// caller's thread.
#pragma once

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <ostream>
#include <variant>
#include <vector>

#include "cli/camera_lookup.h"
#include "cli/exit_code.h"
#include "cli/signal_guard.h"
#include "gvcp/camera_info.h"
#include "net/arp_probe.h"
#include "net/macaddress.h"

namespace cli {

// The MACs of the other cameras that answered at `camera`'s address through
// the same interface, each once.
std::vector<net::Mac> sharersOf(const device::CameraTarget& camera,
                                const std::vector<GigE_Camera_Info>& found);

struct Relocation {
  device::CameraTarget target;           // where the command goes on
  std::optional<uint32_t> temporaryIp;   // network byte order, when it was moved
  std::optional<CommandResult> failure;  // nothing was written
};

// `target` unchanged when `sharers` is empty.
Relocation moveOffSharedAddress(const device::CameraTarget& target,
                                const std::vector<net::Mac>& sharers, int timeoutMs,
                                const SignalGuard& signals, std::ostream& err);

// Probing for the sharer. An ARP answer on one link comes back within a
// millisecond: a station's network stack answers as the request arrives and
// a switch forwards in microseconds; an answer that arrived in time but was
// read late still counts (net/arp_probe.h). Two probes cover one lost request
// or answer; 20 ms after the first and 40 ms after the second leave room for
// a camera whose small stack answers ARP from a slow path, and for a stop
// signal after the discovery to come before the take. The 60 ms a free
// address costs are spent while the camera is read (WhileProbing).
inline constexpr net::ProbeTiming kSharerProbe{2, std::chrono::milliseconds(20),
                                               std::chrono::milliseconds(40)};

// Work a changing command does on the caller's thread while the probe
// listens on its own: it gets the camera the lookup found.
using WhileProbing = std::function<void(const device::CameraTarget&)>;

// The station other than the camera that answers ARP for its address on its
// adapter, if any (none without an adapter); or the failure of the probe.
// `alongside` runs while the probe listens, only when a probe is sent.
std::variant<std::vector<net::Mac>, CommandResult> sharersByArp(const device::CameraTarget& camera,
                                                                int timeoutMs,
                                                                const WhileProbing& alongside = {});

// The camera a changing command names (findCamera), moved off an address it
// shares with others heard on its adapter (not for --check or --dry-run).
// `alongside` runs while an ARP probe looks for a sharer, if one is sent.
Relocation findChangeable(const Invocation& invocation, const Selector& selector,
                          const std::vector<Adaptor>& adapters, const SignalGuard& signals,
                          std::ostream& err, const WhileProbing& alongside = {});

// `result` with "temporary_ip" when the camera was moved.
CommandResult withTemporaryIp(CommandResult result, const Relocation& relocation);

}  // namespace cli

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
#include <optional>
#include <ostream>
#include <variant>
#include <vector>

#include "cli/camera_lookup.h"
#include "cli/exit_code.h"
#include "cli/signal_guard.h"
#include "gvcp/camera_info.h"
#include "net/arp_probe.h"

namespace cli {

// The MACs of the other cameras that answered at `camera`'s address through
// the same interface, each once.
std::vector<std::array<uint8_t, 6>> sharersOf(const CameraTarget& camera,
                                              const std::vector<GigE_Camera_Info>& found);

struct Relocation {
  CameraTarget target;                   // where the command goes on
  std::optional<uint32_t> temporaryIp;   // network byte order, when it was moved
  std::optional<CommandResult> failure;  // nothing was written
};

// `target` unchanged when `sharers` is empty.
Relocation moveOffSharedAddress(const CameraTarget& target,
                                const std::vector<std::array<uint8_t, 6>>& sharers, int timeoutMs,
                                const SignalGuard& signals, std::ostream& err);

// Probing for the sharer: the camera answers for itself within a
// millisecond on a LAN, another station as fast; two probes cover one lost
// request or answer, and a free address costs 60 ms.
inline constexpr arp::ProbeTiming kSharerProbe{2, std::chrono::milliseconds(20),
                                               std::chrono::milliseconds(40)};

// The station other than the camera that answers ARP for its address on its
// adapter, if any (none without an adapter); or the failure of the probe.
std::variant<std::vector<std::array<uint8_t, 6>>, CommandResult> sharersByArp(
    const CameraTarget& camera, int timeoutMs);

// The camera a changing command names (findCamera), moved off an address it
// shares with others heard on its adapter (not for --check or --dry-run).
Relocation findChangeable(const Invocation& invocation, const Selector& selector,
                          const std::vector<Adaptor>& adapters, const SignalGuard& signals,
                          std::ostream& err);

// `result` with "temporary_ip" when the camera was moved.
CommandResult withTemporaryIp(CommandResult result, const Relocation& relocation);

}  // namespace cli

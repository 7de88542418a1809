// Who else answers at a camera's address on its link: the other cameras a
// discovery heard there, or the station that answers an ARP probe for it.
// Unicast to a shared address reaches whichever answers ARP first, so a
// changing operation must know. A camera heard on another adapter at the
// same number is on another link and shares nothing; nor does one MAC seen
// on two adapters, which is one camera (for the all-zero MAC, which several
// devices report, only with one serial). A camera at an address of this host
// is marked too: unicast there reaches the host itself. Prints nothing; the
// caller's thread (the probe listens on a thread of its own).
#pragma once

#include <chrono>
#include <functional>
#include <variant>
#include <vector>

#include "device/camera_record.h"
#include "device/camera_target.h"
#include "gvcp/camera_info.h"
#include "gvcp/status.h"
#include "net/arp_probe.h"
#include "net/host_interfaces.h"
#include "net/macaddress.h"

namespace device {

struct AddressSharing {
  std::vector<net::Mac> sharesWith;  // the other cameras' MACs, each once
  bool hostAddress = false;          // the address is one of this host's
};

// One entry per camera of `cameras`, in their order. `hostAddresses` are every
// IPv4 address of every interface of the host. 0.0.0.0 shares with nothing; a
// record without an adapter may be on any link.
std::vector<AddressSharing> addressSharing(const std::vector<CameraRecord>& cameras,
                                           const std::vector<net::Ipv4>& hostAddresses);

// Fills every record's sharesAddressWith and hostAddress from addressSharing.
void noteSharing(std::vector<CameraRecord>& cameras, const std::vector<net::Ipv4>& hostAddresses);

// Every IPv4 address of the host's interfaces `host` (one listing serves a
// command's adapters and its sharing marks).
std::vector<net::Ipv4> hostAddresses(const std::vector<net::HostInterface>& host);

// The MACs of the other cameras of `found` that answered at `camera`'s
// address on its link, each once; `camera` is a record of a discovery.
std::vector<net::Mac> sharersOf(const GigE_Camera_Info& camera,
                                const std::vector<GigE_Camera_Info>& found);

// Probing for the sharer. An ARP answer on one link comes back within a
// millisecond: a station's network stack answers as the request arrives (a
// camera's in its firmware, a host's in the kernel, neither waiting on a busy
// user space) and a switch forwards in microseconds; an answer that arrived
// in time but was read late still counts (net/arp_probe.h), so a loaded host
// loses nothing by the short wait. Two probes 1 ms apart cover one lost
// request or answer, and listening 5 ms after the second gives either
// probe's answer at least five times what a link needs. The 6 ms a free
// address costs are spent while the camera is read (WhileProbing).
inline constexpr net::ProbeTiming kSharerProbe{2, std::chrono::milliseconds(1),
                                               std::chrono::milliseconds(5)};

// Work a changing operation does on the caller's thread while the probe
// listens on its own: it gets the camera the lookup found.
using WhileProbing = std::function<void(const CameraTarget&)>;

// The station other than the camera that answers ARP for its address on its
// adapter, if any (none without an adapter); or the failure of the probe
// (Fault::kNoPrivilege without the packet socket's privilege). `alongside`
// runs while the probe listens, only when a probe is sent.
std::variant<std::vector<net::Mac>, gvcp::Status> sharersByArp(const CameraTarget& camera,
                                                               int timeoutMs,
                                                               const WhileProbing& alongside = {});

}  // namespace device

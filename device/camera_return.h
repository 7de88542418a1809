// A camera's restart as the front ends wait for it: the request through the
// session, then a wait until the camera answers again, either at the address
// it had (reads of the privilege register, for callers that know nothing but
// that address) or by its MAC through discoveries (it may come back
// elsewhere: DHCP, link-local, a temporary address gone). Prints nothing; the
// caller's thread.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "device/camera_session.h"
#include "gvcp/camera_info.h"
#include "net/adaptor.h"
#include "net/macaddress.h"

namespace device {

enum class RestartOutcome {
  kBack,           // the camera went silent and answers again
  kStillRunning,   // it acknowledged a write after the restart request
  kNotBack,        // silent for the whole bound
  kChannelFailed,  // the control channel's socket failed
};

// Reads of the privilege register at the session's address until one is
// answered, for at most `bound`; `unanswered` runs after each read that got
// no answer. Never kStillRunning.
RestartOutcome awaitAtAddress(CameraSession& session, std::chrono::milliseconds bound,
                              const std::function<void()>& unanswered);
// The restart request, then awaitAtAddress.
RestartOutcome restartAndAwait(CameraSession& session, std::chrono::milliseconds bound,
                               const std::function<void()>& unanswered);

// A returning camera is asked for with one discovery request this often: it
// answers within milliseconds once it is up, so the wait ends at most about
// this long after the camera could first answer.
inline constexpr std::chrono::milliseconds kReturnRequestInterval{100};

// Where and how long to look for a camera by its MAC.
struct ReturnSearch {
  std::vector<Adaptor> adapters;
  std::chrono::steady_clock::duration bound = std::chrono::seconds(60);
  std::function<bool()> stop;  // asked between requests; true ends the wait
  // Set (network byte order): only an answer from this address ends the wait
  // early; one from elsewhere is returned once the bound has passed.
  std::optional<uint32_t> awaitedIp;
};

// A discovery request every kReturnRequestInterval, all through one set of
// sockets and captures kept for the whole wait (answers to earlier requests
// count), until one hears `mac`: its record (address and adapter), or nothing
// once the bound has passed or `stop` said so. An answer through an adapter
// whose subnet holds the camera's address ends the wait at once; one from
// outside is taken when no such answer came within one interval after it.
// With `awaitedIp` the rule is the address instead: an answer from it ends
// the wait, the first from elsewhere is kept until the bound.
std::optional<GigE_Camera_Info> awaitByMac(const net::Mac& mac, const ReturnSearch& search);

}  // namespace device

// A camera's restart as every front end waits for it (restartAndReturn): the
// request through the session, then a wait until the camera answers again,
// either at the address it had (reads of the privilege register, for callers
// that know nothing but that address) or by its MAC through discoveries (it
// may come back elsewhere: DHCP, link-local, a temporary address gone); where
// and after how long it came back, whether that is where its configuration
// leads one to expect, and what it reports then. Prints nothing; the
// caller's thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/camera_session.h"
#include "device/register_reads.h"
#include "gvcp/camera_info.h"
#include "gvcp/status.h"
#include "net/adaptor.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace device {

enum class RestartOutcome {
  kBack,           // the camera went silent and answers again
  kStillRunning,   // it acknowledged a write after the restart request
  kNotBack,        // silent for the whole bound
  kChannelFailed,  // the control channel's socket failed
};

// A returning camera is asked for with one discovery request this often: it
// answers within milliseconds once it is up, so the wait ends at most about
// this long after the camera could first answer.
inline constexpr std::chrono::milliseconds kReturnRequestInterval{100};

// Where and how long to look for a camera by its MAC.
struct ReturnSearch {
  std::vector<Adaptor> adapters;
  std::chrono::steady_clock::duration bound = std::chrono::seconds(60);
  std::function<bool()> stop;  // asked between requests; true ends the wait
  // Set: only an answer from this address ends the wait early; one from
  // elsewhere is returned once the bound has passed.
  std::optional<net::Ipv4> awaitedIp;
  // Set: with the all-zero MAC, which several devices report, only an answer
  // carrying this serial is the camera's.
  std::optional<std::string> serial{};
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

inline constexpr net::Ipv4 kLinkLocalNet = net::Ipv4::fromHost(0xA9FE0000);  // 169.254.0.0/16
inline constexpr net::Ipv4 kLinkLocalMask = net::Ipv4::fromHost(0xFFFF0000);

// Empty when `cameBackAt` is what `config` (the current configuration
// register) and `persistentIp` lead one to expect (persistent IP with a
// stored address wins, then DHCP, then LLA, as a camera tries them); else a
// sentence saying what was expected. Pure.
std::optional<std::string> unexpectedReturn(uint32_t config, net::Ipv4 persistentIp,
                                            net::Ipv4 cameBackAt);

// The configuration a camera restarts with.
struct RestartConfig {
  uint32_t ipConfig = 0;
  net::Ipv4 persistentIp;
};

struct RestartPlan {
  net::Mac mac{};  // the camera's: to find it, and to know it when back
  // True: discoveries on `search.adapters` (a true search.stop ends the wait,
  // interrupted); false: reads at the session's address for the whole bound,
  // search.stop asked after each unanswered one.
  bool byMac = true;
  ReturnSearch search;
  std::optional<RestartConfig> config;  // set: the return is judged by it
  // Set: its MAC, then its firmware identity, read through this port when back.
  std::optional<uint16_t> readBackPort;
};

struct RestartReturn {
  RestartOutcome outcome = RestartOutcome::kNotBack;
  // Ok at kBack unless stopped; else the failure, worded for a plain restart.
  gvcp::Status status = gvcp::Status::Ok();
  net::Ipv4 ip;                           // kBack: where it answered again
  std::chrono::duration<double> after{};  // kBack: from the request to the answer
  std::optional<std::string> unexpected;  // kBack with a config: unexpectedReturn's sentence
  // Read back: another device's MAC answering there, or the camera's identity.
  std::optional<net::Mac> stranger;
  FirmwareIdentity identity;
};

// The restart request through `session` (control held), then the wait.
RestartReturn restartAndReturn(CameraSession& session, const RestartPlan& plan);

}  // namespace device

// Discovery on a set of adapters in one window: one request socket and one
// capture per adapter, the DISCOVERY_CMD broadcast through every adapter, one
// poll over all captures. Returns the cameras and what went wrong; prints
// nothing and never ends the process. Capture is by packet socket (answers
// whatever their destination or subnet; needs the privilege), by ordinary
// UDP reception on the request socket (answers addressed to the adapter only),
// or both at once: then the request socket, bound to the adapter's interface,
// also takes broadcast answers, the capture takes only the answers to that
// socket's port, and each record says which of the two saw the camera, so a
// caller can tell an answer the host dropped from one never sent (an adapter
// whose interface is down fails the send). One thread, the caller's.
#pragma once

#include <chrono>
#include <functional>
#include <vector>

#include "gvcp/camera_info.h"
#include "gvcp/discovery_listen.h"
#include "gvcp/status.h"
#include "net/adaptor.h"

// Where a discovery failed: the codes of its Status. The numbers are the
// locations the dialogue reports, which operators and scripts match on.
namespace gvcp {
enum DiscoverySite : int {
  kUdpSocket = 78,
  kBroadcast = 83,
  kNoAddress = 110,
  kRawSocket = 116,
  kInterfaceIndex = 121,
  kRawBind = 133,
  kUdpBind = 147,
  kSend = 163,
  kWait = 187,
};

// Receive buffer asked for each capture, capped at net.core.rmem_max. The
// kernel charges a queued answer about 1.3 KiB (measured: 256 bytes of data
// plus its buffer's overhead) against twice what was asked, so 4 MiB hold some
// 6,500 answers, the burst of 500 cameras many times over.
inline constexpr int kCaptureBufferBytes = 4 * 1024 * 1024;
inline constexpr long kAnswerChargeBytes = 1300;
// The receive buffer to ask for so that `answers` answers fit in the queue.
constexpr long receiveBufferFor(long answers) { return answers * kAnswerChargeBytes / 2; }

struct DiscoveryOptions {
  std::chrono::microseconds window = std::chrono::seconds(1);
  int sends = 1;  // requests spread over the window, the first at its start
  CaptureMode capture = CaptureMode::kPacket;
  MergeRule merge = MergeRule::kMacAndAddress;
  AnswerStop stop;             // ends the window at an answer it accepts; empty: never
  std::function<bool()> halt;  // asked before each re-sent request; true ends the window
};

struct DiscoveryOutcome {
  // The first failure that stopped the discovery (its code a discovery_site);
  // the cameras found until then are kept.
  gvcp::Status status = gvcp::Status::Ok();
  // Adapters left out (no IPv4 address, no interface index, the request
  // refused), in adapter order; the others were probed. A discovery whose
  // every adapter refused the request fails with that refusal instead.
  std::vector<gvcp::Status> skipped;
  // Per adapter in adapter order, within one adapter in order of arrival.
  std::vector<GigE_Camera_Info> cameras;
};

DiscoveryOutcome discoverCameras(const std::vector<Adaptor>& adapters,
                                 const DiscoveryOptions& options);

// True when `status` is the failure to open a packet socket for lack of
// privilege (EPERM or EACCES).
bool lacksCapturePrivilege(const gvcp::Status& status);

}  // namespace gvcp

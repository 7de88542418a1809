// CameraSession: one front end's hold on one camera, the frame every changing
// operation runs in. Construction opens the control channel (a Camera it owns,
// bound to the adapter the camera answered on when the target names one; left
// unbound, as discovery does, where the kernel refuses for lack of privilege) and,
// when the policy says so, starts the heartbeat before anything is sent.
// take() takes the Control Channel Privilege; when the target names the
// camera's MAC it then reads the device's MAC (with the heartbeat timeout to
// put back, in one READREG where the camera offers it) and gives control back
// at once when another device answers at the address. It writes the heartbeat timeout
// where the policy puts it (after the take: the previous value is put back
// before control is given back) and, where the policy asks and the camera
// offers it, lets the camera answer PENDING_ACK while it stores a setting. release() puts the
// GVCP configuration and the heartbeat timeout back as found and gives the privilege back, and the
// destructor does so on every path that did not (a failure, an exception, a stop signal).
// requestRestart() ends the hold with the camera's restart: nothing is given back after it. The
// heartbeat stops after the last release and before the channel closes. Prints nothing. The owner's
// thread; the heartbeat worker shares the Camera, whose exchanges never overlap.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "gvcp/camera.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/heartbeat.h"
#include "gvcp/status.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace device {

// Where a session writes the camera's heartbeat timeout (three beats): a
// camera left with a short one by another application could drop our
// privilege between two beats.
enum class TimeoutWrite {
  kNone,
  kBeforeTake,  // the interactive dialogue's order
  // A device that enforces the privilege refuses the write before the take.
  kAfterTake,
};

// How a front end holds a camera. The defaults are the command line's.
struct SessionPolicy {
  uint16_t port = gvcp::kPort;  // host order
  // Per attempt: one lost datagram costs a retry, not the operation.
  gvcp::AckWait ackWait = gvcp::AckWait::kPerAttempt;
  bool heartbeat = true;
  TimeoutWrite timeoutWrite = TimeoutWrite::kAfterTake;
  // A take whose acknowledge was lost may still have been granted, so a
  // failed take is followed by one release; the library's report and
  // address writer send none.
  bool releaseAfterFailedTake = true;
  // A camera that stores a setting in flash may need longer than the retries
  // allow; with PENDING_ACK it says how long instead of going silent.
  bool pendingAck = true;
  // After a restart request: true, the privilege register is read until the
  // camera answers or kRestartSilence has passed (one lost exchange proves
  // nothing); false, one release write decides, answered meaning no restart
  // (the library's firmware update, whose waits and dots follow from it).
  bool proveRestart = true;
};

// The library entry points' hold: one budget over all attempts of an
// exchange, no heartbeat, no timeout write.
inline SessionPolicy libraryPolicy(uint16_t port) {
  return {.port = port,
          .ackWait = gvcp::AckWait::kSharedBudget,
          .heartbeat = false,
          .timeoutWrite = TimeoutWrite::kNone,
          .pendingAck = false,
          .proveRestart = false};
}

// Where a session's local failures come from: the codes of their Status.
enum SessionSite : int {
  kNotGranted = 1,
  kWrongCamera = 2,  // another device answers at the address
  kIdentityUnread = 3,
  kInterface = 4,  // the channel could not be tied to the adapter
};

// The longest a session lets a camera work on one command after it answered
// PENDING_ACK, whatever its pending timeout register says.
inline constexpr std::chrono::milliseconds kPendingAckBound{10000};

// The camera a session is opened on.
struct SessionTarget {
  net::Ipv4 ip;
  // The adapter it answered on; empty: wherever the kernel routes the address.
  std::string interface;
  // Checked after the take when given: the MAC the device must have.
  std::optional<net::Mac> mac;
  // The GVCP capability register when the caller has read it: the reads after
  // the take then go in one concatenated READREG where it is offered, and the
  // register is not read again.
  std::optional<uint32_t> capabilities;
};

// What a restart request showed.
enum class RestartRequest {
  kSilent,        // silent for kRestartSilence, or back without the privilege: it restarted
  kStillRunning,  // it answered with the privilege still held (or refused): no restart
};

// How long a camera must stay silent after a restart request, probed all
// along, before the silence counts as its restart: several exchanges of
// several attempts each, more than a lossy link loses in a row.
inline constexpr std::chrono::milliseconds kRestartSilence{1500};

class CameraSession {
 public:
  CameraSession(const SessionTarget& target, const SessionPolicy& policy);
  // At `ip`, no adapter, no identity check.
  CameraSession(net::Ipv4 ip, const SessionPolicy& policy);
  ~CameraSession();
  CameraSession(const CameraSession&) = delete;
  CameraSession& operator=(const CameraSession&) = delete;

  // Up to `tries` writes of the take value; Ok at the first one granted and,
  // with a MAC to check, once the device proved to be that camera.
  gvcp::Status take(int tries = 1);
  // Gives control back now (once; a failure is reported, not retried). Ok
  // when control was not held.
  gvcp::Status release();
  // Asks the camera to restart (no acknowledge asked), then checks that it
  // did as the policy's proveRestart says. Control ends either way: with the
  // restart, or given back.
  RestartRequest requestRestart();

  bool holds() const { return held_; }
  Camera& camera() { return *camera_; }
  const SessionTarget& target() const { return target_; }

 private:
  gvcp::Status checkIdentity();
  gvcp::Status readAfterTake(net::Mac& mac);
  void writeHeartbeatTimeout();
  void enablePendingAck();

  SessionTarget target_;
  SessionPolicy policy_;
  std::optional<uint32_t> previousTimeout_;  // put back before control is given back
  std::optional<uint32_t> previousConfig_;   // GVCP configuration before PENDING_ACK was enabled
  int bindError_ = 0;                        // errno of tying the channel to the adapter
  std::unique_ptr<Camera> camera_;
  std::optional<Heartbeat> heartbeat_;  // after the camera: stopped before it closes
  bool held_ = false;
};

}  // namespace device

// ControlSession: one command's hold on a camera. It opens the control
// channel, starts the heartbeat before anything else is sent and writes the
// heartbeat timeout, then take() takes the privilege (a failed take is
// followed by one release anyway, as a lost acknowledge may hide a granted
// take). Control is given back by release(), or at the latest when the session
// ends, on every path; the heartbeat stops after that and before the channel
// closes. The caller's thread; the heartbeat worker shares the Camera, whose
// exchanges never overlap.
#pragma once

#include <cstdint>
#include <memory>

#include "gvcp/camera.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/heartbeat.h"
#include "gvcp/status.h"

class ControlSession {
 public:
  // `ip` in network byte order.
  explicit ControlSession(uint32_t ip, uint16_t port = gvcp::kPort);
  ~ControlSession();
  ControlSession(const ControlSession&) = delete;
  ControlSession& operator=(const ControlSession&) = delete;

  // True when the camera granted control.
  bool take();
  // Gives control back now; a failure is reported (the session will not try
  // again). Ok when control was not held.
  gvcp::Status release();
  // The camera was asked to restart: its privilege ends with the restart, so
  // nothing is given back at the end.
  void endedByRestart() { held_ = false; }
  Camera& camera() { return *camera_; }

 private:
  std::unique_ptr<Camera> camera_;
  Heartbeat heartbeat_;  // after the camera: stopped and joined before it closes
  bool held_ = false;
};

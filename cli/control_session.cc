#include "cli/control_session.h"

#include "cli/camera_target.h"
#include "gvcp/control_privilege.h"
#include "gvcp/registers.h"

ControlSession::ControlSession(uint32_t ip, uint16_t port)
    : camera_(openCamera(ip, port)), heartbeat_(camera_.get(), kHeartbeatIntervalMs) {
  heartbeat_.start();
}

ControlSession::~ControlSession() { release(); }

bool ControlSession::take() {
  // Without it, a camera left with a short timeout by someone else could drop
  // the privilege between two beats.
  camera_->writereg(reg::kHeartbeatTimeout, reg::kHeartbeatTimeoutMs);
  held_ = control::take(*camera_);
  return held_;
}

gvcp::Status ControlSession::release() {
  if (!held_) return gvcp::Status::Ok();
  held_ = false;
  return gvcp::Status::FromExchange(camera_->writereg(reg::kCcp, reg::kCcpRelease),
                                    "release of control");
}

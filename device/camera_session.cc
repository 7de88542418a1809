#include "device/camera_session.h"

#include "gvcp/control_privilege.h"
#include "gvcp/registers.h"

namespace device {

CameraSession::CameraSession(uint32_t ip, const SessionPolicy& policy)
    : policy_(policy), camera_(std::make_unique<Camera>(ip, policy.port)) {
  camera_->setAckWait(policy.ackWait);
  if (!policy.heartbeat) return;
  heartbeat_.emplace(camera_.get(), kHeartbeatIntervalMs);
  heartbeat_->start();
}

CameraSession::~CameraSession() { release(); }

gvcp::Status CameraSession::take(int tries) {
  if (policy_.timeoutWrite == TimeoutWrite::kBeforeTake) {
    camera_->writereg(reg::kHeartbeatTimeout, reg::kHeartbeatTimeoutMs);
  }
  if (policy_.releaseAfterFailedTake) {
    held_ = control::take(*camera_, tries);
  } else {
    held_ = camera_->writereg(reg::kCcp, reg::kCcpTake) == 0;
  }
  if (!held_) return gvcp::Status::Local(session_site::kNotGranted, "control was not granted");
  return gvcp::Status::Ok();
}

gvcp::Status CameraSession::release() {
  if (!held_) return gvcp::Status::Ok();
  held_ = false;
  return gvcp::Status::FromExchange(camera_->writereg(reg::kCcp, reg::kCcpRelease),
                                    "release of control");
}

RestartRequest CameraSession::requestRestart() {
  camera_->writereg(reg::kRebootRequest, reg::kRebootMagic, false);
  held_ = false;
  // Any answer, even a refusal, comes from a camera that is still running.
  if (camera_->writereg(reg::kCcp, reg::kCcpRelease) >= 0) return RestartRequest::kStillRunning;
  return RestartRequest::kSilent;
}

}  // namespace device

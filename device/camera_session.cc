#include "device/camera_session.h"

#include <algorithm>
#include <cerrno>
#include <vector>

#include "device/register_reads.h"
#include "gvcp/control_privilege.h"
#include "gvcp/registers.h"
#include "net/macaddress.h"
#include "net/privilege.h"

namespace device {

CameraSession::CameraSession(const SessionTarget& target, const SessionPolicy& policy)
    : target_(target),
      policy_(policy),
      camera_(std::make_unique<Camera>(target.ip.network(), policy.port)) {
  camera_->setAckWait(policy.ackWait);
  bindError_ = camera_->bindToInterface(target.interface);
  // Before Linux 5.7 the tie needs CAP_NET_RAW. Refused for lack of it, the
  // channel goes on untied as discovery does: the routing table picks the
  // interface, and the MAC check after the take still guards the camera.
  if (bindError_ == EPERM) {
    net::trace("privilege: channel not tied to adapter " + target.interface +
               " (no privilege), going on unbound");
    bindError_ = 0;
  }
  if (!policy.heartbeat) return;
  heartbeat_.emplace(camera_.get(), gvcp::kHeartbeatIntervalMs);
  heartbeat_->start();
}

CameraSession::CameraSession(net::Ipv4 ip, const SessionPolicy& policy)
    : CameraSession(SessionTarget{ip, {}, std::nullopt, std::nullopt}, policy) {}

CameraSession::~CameraSession() { release(); }

gvcp::Status CameraSession::take(int tries) {
  if (bindError_ != 0) {
    return gvcp::Status::Local(SessionSite::kInterface,
                               "the channel could not be tied to adapter " + target_.interface,
                               bindError_);
  }
  if (policy_.timeoutWrite == TimeoutWrite::kBeforeTake) {
    camera_->writereg(gvcp::Registers::kHeartbeatTimeout, gvcp::Registers::kHeartbeatTimeoutMs);
  }
  if (policy_.releaseAfterFailedTake) {
    held_ = gvcp::takeControl(*camera_, tries);
  } else {
    held_ = camera_->writereg(gvcp::Registers::kCcp, gvcp::Registers::kCcpTake) == 0;
  }
  if (!held_) return gvcp::Status::Local(SessionSite::kNotGranted, "control was not granted");
  if (gvcp::Status identity = checkIdentity(); !identity.ok()) {
    release();
    return identity;
  }
  if (policy_.timeoutWrite == TimeoutWrite::kAfterTake) writeHeartbeatTimeout();
  if (policy_.pendingAck) enablePendingAck();
  return gvcp::Status::Ok();
}

// The wait is extended before the camera may use it: a PENDING_ACK that came
// first would otherwise fail the exchange.
void CameraSession::enablePendingAck() {
  uint32_t capabilities = target_.capabilities.value_or(0);
  if (!target_.capabilities &&
      !readRegister(*camera_, gvcp::Registers::kGvcpCapability, capabilities).ok()) {
    return;
  }
  if ((capabilities & gvcp::Registers::kCapPendingAck) == 0) return;
  uint32_t pendingMs = 0;
  std::chrono::milliseconds limit = kPendingAckBound;
  if (readRegister(*camera_, gvcp::Registers::kPendingTimeout, pendingMs).ok() && pendingMs != 0) {
    limit = std::min(limit, std::chrono::milliseconds(pendingMs));
  }
  camera_->setPendingAckLimit(limit);
  uint32_t config = 0;
  readRegister(*camera_, gvcp::Registers::kGvcpConfiguration, config);
  if (camera_->writereg(gvcp::Registers::kGvcpConfiguration,
                        config | gvcp::Registers::kGvcpConfigPendingAck) != 0) {
    camera_->setPendingAckLimit(std::chrono::milliseconds(0));
  } else if ((config & gvcp::Registers::kGvcpConfigPendingAck) == 0) {
    previousConfig_ = config;
  }
}

// The device's MAC when the target names one and the heartbeat timeout to
// put back when the policy writes it after the take, in one READREG where the
// camera offers concatenation. A timeout the camera refuses to give leaves
// the MAC to a read of its own, and nothing to put back.
gvcp::Status CameraSession::readAfterTake(net::Mac& mac) {
  const uint32_t capabilities = target_.capabilities.value_or(0);
  const bool timeout = policy_.timeoutWrite == TimeoutWrite::kAfterTake;
  uint32_t high = 0;
  uint32_t low = 0;
  uint32_t previous = 0;
  std::vector<RegisterRead> reads;
  if (target_.mac)
    reads = {{gvcp::Registers::kDeviceMacHigh, &high}, {gvcp::Registers::kDeviceMacLow, &low}};
  if (timeout) reads.emplace_back(gvcp::Registers::kHeartbeatTimeout, &previous);
  const gvcp::Status read = readRegisters(*camera_, capabilities, reads);
  if (!read.ok()) return target_.mac && timeout ? readMac(*camera_, mac, capabilities) : read;
  if (timeout) previousTimeout_ = previous;
  mac = macOf(high, low);
  return read;
}

// Two cameras on one address (a new batch on its factory default): ARP picks
// one of them, and every write would go to whichever it is.
gvcp::Status CameraSession::checkIdentity() {
  net::Mac mac{};
  const gvcp::Status read = readAfterTake(mac);
  if (!target_.mac) return gvcp::Status::Ok();
  if (!read.ok()) {
    return gvcp::Status::Local(SessionSite::kIdentityUnread,
                               "its MAC could not be read: " + read.toString());
  }
  if (mac == *target_.mac) return gvcp::Status::Ok();
  previousTimeout_.reset();  // nothing is written to another device
  return gvcp::Status::Local(
      SessionSite::kWrongCamera,
      "the device answering there is " + net::macText(mac) + ", not " + net::macText(*target_.mac));
}

// Three beats, so one lost beat does not cost the privilege; the value found
// after the take is put back when control is given back.
void CameraSession::writeHeartbeatTimeout() {
  camera_->writereg(gvcp::Registers::kHeartbeatTimeout, gvcp::Registers::kHeartbeatTimeoutMs);
}

gvcp::Status CameraSession::release() {
  if (!held_) return gvcp::Status::Ok();
  held_ = false;
  // 0 is no timeout a device can mean; it is left as written.
  if (previousTimeout_.value_or(0) != 0 &&
      *previousTimeout_ != gvcp::Registers::kHeartbeatTimeoutMs) {
    camera_->writereg(gvcp::Registers::kHeartbeatTimeout, *previousTimeout_);
  }
  previousTimeout_.reset();
  if (previousConfig_) {
    camera_->setPendingAckLimit(std::chrono::milliseconds(0));
    camera_->writereg(gvcp::Registers::kGvcpConfiguration, *previousConfig_);
    previousConfig_.reset();
  }
  return gvcp::Status::FromExchange(
      camera_->writereg(gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease), "release of control");
}

// A restart ends the privilege: a camera seen without it went down and came
// back, and one silent over kRestartSilence cannot be running unless every
// probe and answer of that span was lost. An answer still showing the
// privilege (or refusing the read) means the request never arrived: control
// is then given back as usual.
RestartRequest CameraSession::requestRestart() {
  camera_->writereg(gvcp::Registers::kRebootRequest, gvcp::Registers::kRebootMagic, false);
  if (!policy_.proveRestart) {
    held_ = false;  // the restart ends the privilege and resets the timeout
    previousTimeout_.reset();
    previousConfig_.reset();
    // Any answer, even a refusal, comes from a camera that is still running.
    if (camera_->writereg(gvcp::Registers::kCcp, gvcp::Registers::kCcpRelease) >= 0)
      return RestartRequest::kStillRunning;
    return RestartRequest::kSilent;
  }
  const auto until = std::chrono::steady_clock::now() + kRestartSilence;
  int result = gvcp::kGvcpNoAnswer;
  unsigned int ccp = 0;
  while (result < 0 && result != gvcp::kGvcpWaitFailed &&
         std::chrono::steady_clock::now() < until) {
    result = camera_->readreg(gvcp::Registers::kCcp, &ccp);
  }
  if (result > 0 || (result == 0 && ccp != gvcp::Registers::kCcpRelease)) {
    release();
    return RestartRequest::kStillRunning;
  }
  held_ = false;  // the restart ended the privilege and reset the timeout and configuration
  previousTimeout_.reset();
  previousConfig_.reset();
  return RestartRequest::kSilent;
}

}  // namespace device

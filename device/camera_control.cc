#include "device/camera_control.h"

#include "device/fault.h"

namespace device {
namespace {

bool stopSeen(const StopCheck& stopped) { return stopped && stopped(); }

gvcp::Status interruption() { return fault(Fault::kInterrupted, "interrupted"); }

// `status` as a Fault whose text is "WHO: TEXT": a Fault keeps its kind, any
// other status becomes Fault::kFailed.
gvcp::Status named(const gvcp::Status& status, const std::string& who) {
  const int code = status.isCameraStatus() ? 0 : status.code();
  const bool isFault =
      (code >= static_cast<int>(Fault::kFailed) && code <= static_cast<int>(Fault::kNoPrivilege)) ||
      code == static_cast<int>(Fault::kInterrupted);
  return fault(isFault ? static_cast<Fault>(code) : Fault::kFailed, who + ": " + status.toString());
}

// The settings the change starts from: read ahead from this very camera, or
// read now without control (`unread` when that failed).
CameraSettings settingsNow(const CameraTarget& target, const StateRequest& request,
                           const std::string& who, gvcp::Status& unread) {
  CameraSettings now;
  const std::optional<ReadAhead>& ahead = request.ahead;
  if (ahead && ahead->target.ip == target.ip && ahead->target.mac == target.mac) {
    return ahead->settings;
  }
  if (const gvcp::Status read = readTarget(target, now); !read.ok()) unread = named(read, who);
  return now;
}

// Judges `now` against the request: the refusal, else the plan recorded.
std::optional<gvcp::Status> judge(const CameraSettings& now, const StateRequest& request,
                                  const std::string& who, StateOutcome& did) {
  did.startedFrom = now;
  if (auto refused = refusal(now, request.desired, who)) return refused;
  did.planned = changesFor(now, request.desired);
  return std::nullopt;
}

}  // namespace

gvcp::Status underControl(const CameraTarget& target, const std::string& who,
                          const StopCheck& stopped, const ControlledWork& work) {
  CameraSession session(sessionTarget(target), SessionPolicy{});
  return underControl(session, who, stopped, work);
}

gvcp::Status underControl(CameraSession& session, const std::string& who, const StopCheck& stopped,
                          const ControlledWork& work) {
  if (stopSeen(stopped)) return interruption();
  if (const gvcp::Status taken = session.take(); !taken.ok()) {
    if (taken.code() == SessionSite::kNotGranted) {
      return fault(Fault::kFailed, who + " did not grant control");
    }
    return fault(Fault::kFailed, who + ": " + taken.toString() + "; nothing was written");
  }
  if (stopSeen(stopped)) return interruption();
  const gvcp::Status worked = work(session);
  const gvcp::Status released = session.release();
  if (!released.ok() && worked.ok()) return fault(Fault::kFailed, who + ": " + released.toString());
  return worked;
}

WhileProbing readAheadInto(std::optional<ReadAhead>& ahead) {
  return [&ahead](const CameraTarget& target) {
    CameraSettings settings;
    if (readTarget(target, settings).ok()) ahead = ReadAhead{target, settings};
  };
}

StateOutcome reachState(const CameraTarget& target, const std::string& who,
                        const StateRequest& request, const StopCheck& stopped) {
  StateOutcome did;
  gvcp::Status unread = gvcp::Status::Ok();
  const CameraSettings now = settingsNow(target, request, who, unread);
  // A camera another application holds exclusively refuses even reads: the
  // take of control below then says so.
  if (!unread.ok() && request.check) {
    did.status = unread;
    return did;
  }
  if (unread.ok()) {
    if (auto refused = judge(now, request, who, did)) {
      did.status = *refused;
      return did;
    }
    if (request.check || (did.planned.empty() && !request.then)) return did;
  }
  // The settings read just now are the ones the change starts from: after
  // the take, only the identity check stands between them and the writes.
  CameraTarget held = target;
  if (unread.ok()) held.capabilities = now.capabilities;
  did.soughtControl = true;
  did.status = underControl(held, who, stopped, [&](CameraSession& session) {
    CameraSettings before = now;
    if (!unread.ok()) {
      const gvcp::Status read = readCameraSettings(session.camera(), before);
      if (!read.ok()) return named(read, who);
      if (stopSeen(stopped)) return interruption();
      if (auto refused = judge(before, request, who, did)) return *refused;
    }
    did.change = applyChange(session.camera(), before, changeRequestOf(before, request.desired));
    if (did.change.failure) {
      return fault(Fault::kFailed, who + ": the change failed at " + did.change.failure->failedAt);
    }
    return request.then ? request.then(session, before, did.change) : gvcp::Status::Ok();
  });
  return did;
}

}  // namespace device

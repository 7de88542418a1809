#include "device/camera_return.h"

#include <algorithm>

#include "device/discovery.h"
#include "gvcp/registers.h"

namespace device {

using Clock = std::chrono::steady_clock;

RestartOutcome restartAndAwait(CameraSession& session, std::chrono::milliseconds bound,
                               const std::function<void()>& unanswered) {
  if (session.requestRestart() == RestartRequest::kStillRunning) {
    return RestartOutcome::kStillRunning;
  }
  return awaitAtAddress(session, bound, unanswered);
}

RestartOutcome awaitAtAddress(CameraSession& session, std::chrono::milliseconds bound,
                              const std::function<void()>& unanswered) {
  const auto deadline = Clock::now() + bound;
  for (;;) {
    unsigned int value = 0;
    const int result = session.camera().readreg(reg::kCcp, &value);
    if (result == 0) return RestartOutcome::kBack;
    // A closed socket would fail every read at once.
    if (result == kGvcpWaitFailed) return RestartOutcome::kChannelFailed;
    if (unanswered) unanswered();
    if (Clock::now() >= deadline) return RestartOutcome::kNotBack;
  }
}

std::optional<GigE_Camera_Info> awaitByMac(const std::array<uint8_t, 6>& mac,
                                           const ReturnSearch& search) {
  const auto deadline = Clock::now() + search.bound;
  while (Clock::now() < deadline && !(search.stop && search.stop())) {
    const Discovery found = discover(search.adapters, search.window);
    for (const GigE_Camera_Info& camera : found.outcome.cameras) {
      if (std::equal(mac.begin(), mac.end(), camera.cameraMacHw)) return camera;
    }
  }
  return std::nullopt;
}

}  // namespace device

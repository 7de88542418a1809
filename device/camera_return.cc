#include "device/camera_return.h"

#include <algorithm>
#include <thread>

#include "device/discovery.h"
#include "gvcp/registers.h"

namespace device {

using Clock = std::chrono::steady_clock;

namespace {

bool hasMac(const GigE_Camera_Info& camera, const std::array<uint8_t, 6>& mac) {
  return std::equal(mac.begin(), mac.end(), camera.cameraMacHw);
}

// The camera's record, one whose adapter's subnet holds its address first.
std::optional<GigE_Camera_Info> bestRecord(const std::vector<GigE_Camera_Info>& cameras,
                                           const std::array<uint8_t, 6>& mac) {
  std::optional<GigE_Camera_Info> best;
  for (const GigE_Camera_Info& camera : cameras) {
    if (!hasMac(camera, mac)) continue;
    if (answersInAdapterSubnet(camera)) return camera;
    if (!best) best = camera;
  }
  return best;
}

}  // namespace

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
  DiscoveryOptions options = discoveryOptions(kReturnRequestInterval);
  options.sends = 1;
  options.stop = [&mac](const GigE_Camera_Info& answer) {
    return hasMac(answer, mac) && answersInAdapterSubnet(answer);
  };
  while (Clock::now() < deadline && !(search.stop && search.stop())) {
    const auto started = Clock::now();
    const Discovery found = discover(search.adapters, options);
    if (auto camera = bestRecord(found.outcome.cameras, mac)) return camera;
    // A discovery that failed at once (an adapter still down) keeps the pace.
    std::this_thread::sleep_until(started + kReturnRequestInterval);
  }
  return std::nullopt;
}

}  // namespace device

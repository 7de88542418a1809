#include "device/camera_return.h"

#include <algorithm>
#include <thread>

#include "device/discovery.h"
#include "gvcp/registers.h"

namespace device {

using Clock = std::chrono::steady_clock;

namespace {

bool hasMac(const GigE_Camera_Info& camera, const net::Mac& mac) {
  return std::equal(mac.begin(), mac.end(), camera.cameraMacHw);
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
    const int result = session.camera().readreg(gvcp::Registers::kCcp, &value);
    if (result == 0) return RestartOutcome::kBack;
    // A closed socket would fail every read at once.
    if (result == kGvcpWaitFailed) return RestartOutcome::kChannelFailed;
    if (unanswered) unanswered();
    if (Clock::now() >= deadline) return RestartOutcome::kNotBack;
  }
}

namespace {

// What one long discovery heard of the camera: an answer from inside an
// adapter's subnet (or from the awaited address), else the first from
// outside (elsewhere) and when it came.
struct Sighting {
  std::optional<GigE_Camera_Info> inside;
  std::optional<GigE_Camera_Info> outside;
  Clock::time_point outsideAt;
};

// One discovery over what is left of the bound, a request every
// kReturnRequestInterval through the same sockets and captures, so that an
// answer later than the next request (a camera that delays its discovery
// acknowledges) is still taken. It ends at an answer from inside a subnet, or
// one interval after the first from outside unless an inside one came since.
Sighting listenFor(const net::Mac& mac, const ReturnSearch& search, Clock::duration left) {
  Sighting seen;
  const auto window = std::chrono::duration_cast<std::chrono::milliseconds>(left);
  DiscoveryOptions options = discoveryOptions(window);
  options.sends = std::max<int>(1, static_cast<int>(window / kReturnRequestInterval));
  options.stop = [&](const GigE_Camera_Info& answer) {
    if (!hasMac(answer, mac)) return false;
    if (search.awaitedIp ? answer.sourceIp == *search.awaitedIp : answersInAdapterSubnet(answer)) {
      seen.inside = answer;
      return true;
    }
    if (!seen.outside) seen = {std::nullopt, answer, Clock::now()};
    return false;
  };
  options.halt = [&] {
    return (seen.outside && !search.awaitedIp &&
            Clock::now() - seen.outsideAt >= kReturnRequestInterval) ||
           (search.stop && search.stop());
  };
  (void)discover(search.adapters, options);
  return seen;
}

}  // namespace

std::optional<GigE_Camera_Info> awaitByMac(const net::Mac& mac, const ReturnSearch& search) {
  const auto deadline = Clock::now() + search.bound;
  while (Clock::now() < deadline && !(search.stop && search.stop())) {
    const auto started = Clock::now();
    const Sighting seen = listenFor(mac, search, deadline - started);
    if (seen.inside) return seen.inside;
    if (seen.outside) return seen.outside;
    // A discovery that failed at once (an adapter still down) keeps the pace.
    std::this_thread::sleep_until(started + kReturnRequestInterval);
  }
  return std::nullopt;
}

}  // namespace device

#include "device/camera_return.h"

#include <algorithm>
#include <thread>

#include "device/camera_target.h"
#include "device/discovery.h"
#include "device/fault.h"
#include "device/register_reads.h"
#include "gvcp/registers.h"
#include "net/address_set.h"

namespace device {

using Clock = std::chrono::steady_clock;

namespace {

// The awaited camera's answer: its MAC and, where that is the all-zero MAC,
// the serial the search names.
bool fromCamera(const GigE_Camera_Info& answer, const net::Mac& mac, const ReturnSearch& search) {
  if (!std::equal(mac.begin(), mac.end(), answer.cameraMacHw)) return false;
  return mac != net::Mac{} || !search.serial || answer.serialNumber == *search.serial;
}

// Reads of the privilege register at the session's address until one is
// answered, for at most the search's bound; its `stop` is asked (and not
// heeded) after each read that got no answer. Never kStillRunning.
RestartOutcome awaitAtAddress(CameraSession& session, const ReturnSearch& search) {
  const auto deadline = Clock::now() + search.bound;
  for (;;) {
    unsigned int value = 0;
    const int result = session.camera().readreg(gvcp::Registers::kCcp, &value);
    if (result == 0) return RestartOutcome::kBack;
    // A closed socket would fail every read at once.
    if (result == gvcp::kGvcpWaitFailed) return RestartOutcome::kChannelFailed;
    if (search.stop) (void)search.stop();
    if (Clock::now() >= deadline) return RestartOutcome::kNotBack;
  }
}

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
  gvcp::DiscoveryOptions options = discoveryOptions(window);
  options.sends = std::max<int>(1, static_cast<int>(window / kReturnRequestInterval));
  options.stop = [&](const GigE_Camera_Info& answer) {
    if (!fromCamera(answer, mac, search)) return false;
    if (search.awaitedIp ? net::Ipv4::fromNetwork(answer.sourceIp) == *search.awaitedIp
                         : gvcp::answersInAdapterSubnet(answer)) {
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

std::optional<std::string> unexpectedReturn(uint32_t config, net::Ipv4 persistentIp,
                                            net::Ipv4 cameBackAt) {
  const bool linkLocal = net::networkOf(cameBackAt, kLinkLocalMask) == kLinkLocalNet;
  if ((config & gvcp::Registers::kIpConfigPersistent) != 0 && !persistentIp.isZero()) {
    if (cameBackAt == persistentIp) return std::nullopt;
    return "expected its persistent address " + persistentIp.text();
  }
  // A DHCP camera without a server falls back to a link-local address.
  if ((config & gvcp::Registers::kIpConfigDhcp) != 0) {
    if (!cameBackAt.isZero()) return std::nullopt;
    return std::string("expected a DHCP or link-local address");
  }
  if (linkLocal) return std::nullopt;
  return std::string("expected a link-local address in 169.254.0.0/16");
}

namespace {

// The failure of a restart that did not end kBack.
gvcp::Status restartFailure(RestartOutcome outcome, const RestartPlan& plan,
                            const std::string& camera) {
  if (outcome == RestartOutcome::kStillRunning) {
    return fault(Fault::kFailed, camera + " did not restart");
  }
  if (outcome == RestartOutcome::kChannelFailed) {
    return fault(Fault::kFailed,
                 "the control channel to the " + camera + " failed during its restart");
  }
  const std::string silent =
      plan.byMac ? "camera " + net::macText(plan.mac) + " did not answer a discovery"
                 : camera + " did not answer";
  const auto bound = std::chrono::ceil<std::chrono::seconds>(plan.search.bound).count();
  return fault(Fault::kFailed, silent + " within " + std::to_string(bound) + " s of its restart");
}

// The wait after the request: where the camera answered again (the session's
// target when awaited at its address).
RestartOutcome awaitReturn(CameraSession& session, const RestartPlan& plan, SessionTarget& at) {
  if (!plan.byMac) return awaitAtAddress(session, plan.search);
  const std::optional<GigE_Camera_Info> found = awaitByMac(plan.mac, plan.search);
  if (!found) return RestartOutcome::kNotBack;
  at = sessionTarget(targetOf(*found));
  return RestartOutcome::kBack;
}

// Another device may hold the address now (or answer first there): only the
// camera's own identity says anything of it.
void readBack(const SessionTarget& at, const RestartPlan& plan, RestartReturn& back) {
  const std::unique_ptr<Camera> camera = openCamera(at.ip, *plan.readBackPort, at.interface);
  net::Mac mac{};
  if (!readMac(*camera, mac).ok()) return;
  if (mac != plan.mac) {
    back.stranger = mac;
    return;
  }
  back.identity = readFirmwareIdentity(*camera);
}

}  // namespace

RestartReturn restartAndReturn(CameraSession& session, const RestartPlan& plan) {
  const std::string camera = "camera at " + session.target().ip.text();
  const auto start = Clock::now();
  RestartReturn back;
  SessionTarget at = session.target();
  back.outcome = session.requestRestart() == RestartRequest::kStillRunning
                     ? RestartOutcome::kStillRunning
                     : awaitReturn(session, plan, at);
  const bool waited = back.outcome != RestartOutcome::kStillRunning;
  if (waited && plan.byMac && plan.search.stop && plan.search.stop()) {
    back.status = fault(Fault::kInterrupted, "interrupted");
  } else if (back.outcome != RestartOutcome::kBack) {
    back.status = restartFailure(back.outcome, plan, camera);
  }
  if (back.outcome != RestartOutcome::kBack) return back;
  back.ip = at.ip;
  back.after = Clock::now() - start;
  if (plan.config) {
    back.unexpected = unexpectedReturn(plan.config->ipConfig, plan.config->persistentIp, back.ip);
  }
  if (plan.readBackPort) readBack(at, plan, back);
  return back;
}

}  // namespace device

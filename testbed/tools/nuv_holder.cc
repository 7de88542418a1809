// Another application holding a camera, for end-to-end tests run inside the
// test bed's namespaces:
//   nuv_holder IP [--control-only]
// takes control of the camera at IP (exclusive and control access; with
// --control-only control access alone, so others may still read), prints
// "holding" and keeps control with a heartbeat until SIGTERM or SIGINT, then
// gives it back. Exit status 0 after giving control back, 1 when control was
// not granted or the release was not acknowledged, 2 on a usage error.
#include <arpa/inet.h>
#include <signal.h>

#include <cstdio>
#include <cstring>

#include "gvcp/camera.h"
#include "gvcp/control_privilege.h"
#include "gvcp/gvcp_protocol.h"
#include "gvcp/heartbeat.h"
#include "gvcp/registers.h"

namespace {

int usage() {
  std::fputs("usage: nuv_holder IP [--control-only]\n", stderr);
  return 2;
}

// Blocked before any thread starts, so only sigwait below takes them.
sigset_t endSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  return set;
}

// One write (the Camera re-sends it on its own); a refused take is followed by
// a release, since the grant may have been lost on its way back.
bool take(Camera& camera, uint32_t privilege) {
  if (camera.writereg(gvcp::Registers::kCcp, privilege) == 0) return true;
  gvcp::giveBackControl(camera);
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  const bool controlOnly = argc == 3 && std::strcmp(argv[2], "--control-only") == 0;
  in_addr ip{};
  if (argc != (controlOnly ? 3 : 2) || inet_pton(AF_INET, argv[1], &ip) != 1) return usage();
  const sigset_t signals = endSignals();
  Camera camera(ip.s_addr, gvcp::kPort);
  camera.setAckWait(gvcp::AckWait::kPerAttempt);
  if (!take(camera, controlOnly ? gvcp::Registers::kCcpControl : gvcp::Registers::kCcpTake)) {
    std::fputs("nuv_holder: control not granted\n", stderr);
    return 1;
  }
  Heartbeat heartbeat(&camera, gvcp::kHeartbeatIntervalMs);
  if (heartbeat.start() != 0) {
    gvcp::giveBackControl(camera);
    return 1;
  }
  std::puts("holding");
  std::fflush(stdout);
  int received = 0;
  sigwait(&signals, &received);
  heartbeat.stop();
  return gvcp::giveBackControl(camera) ? 0 : 1;
}

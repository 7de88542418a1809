// The soak run of `nuv-ipconfig set`, started by scripts/soak-set.sh:
//   nuv_soak_set [CYCLES]   (default 1000)
// builds a one-camera network in namespaces (host eth1 192.168.77.1/24, one
// simulated camera at 192.168.77.20 dropping 5% of requests and 5% of answers,
// sending 5% of answers twice and a stale acknowledge before every answer),
// then runs CYCLES `set` commands, the modes taking turns (persistent with an
// address and gateway that change from one persistent cycle to the next, DHCP,
// LLA). After each run it reads the camera's stored state: a reported success
// that the state does not match is a false success, and a camera still held
// by a host once the command has ended is control left held. Prints the
// figures beside their goals; exit 0 when both goals (0 and 0) are met. A
// stop signal ends the run early, with the figures so far. Needs root.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "os/signal_guard.h"
#include "testbed/simulated_camera.h"
#include "testbed/testbed.h"
#include "testbed/tool_run.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kCameraIp[] = "192.168.77.20";
constexpr int kDefaultCycles = 1000;
// A cycle whose command never ends has hung; far beyond any retry path.
constexpr testbed::Millis kCycleBound{30000};
// Beyond the camera's heartbeat timeout (3 s), after which it frees itself.
constexpr auto kFreeWait = std::chrono::seconds(5);

struct Cycle {
  std::vector<std::string> args;
  // Expected stored values after a success.
  std::map<std::string, std::string> persisted;
};

Cycle cycle(int i) {
  Cycle c;
  c.args = {"set", kCameraIp, "--mode"};
  switch (i % 3) {
    case 0: {
      const std::string ip = "192.168.77." + std::to_string(100 + (i / 3) % 100);
      const std::string gateway = (i / 3) % 2 == 0 ? "0.0.0.0" : "192.168.77.1";
      c.args.insert(c.args.end(), {"persistent", "--ip", ip, "--mask", "255.255.255.0"});
      if (gateway != "0.0.0.0") c.args.insert(c.args.end(), {"--gateway", gateway});
      c.persisted = {{"ip_config", "5"},
                     {"persistent_ip", ip},
                     {"persistent_mask", "255.255.255.0"},
                     {"persistent_gateway", gateway}};
      break;
    }
    case 1:
      c.args.push_back("dhcp");
      c.persisted = {{"ip_config", "6"}};
      break;
    default:
      c.args.push_back("lla");
      c.persisted = {{"ip_config", "4"}};
  }
  return c;
}

bool matches(const testbed::SimulatedCamera& camera, const Cycle& c) {
  for (const auto& [key, value] : c.persisted) {
    if (camera.persisted(key) != value) return false;
  }
  return true;
}

// Whether a host holds control now; waits until the camera is free again so
// that the next cycle starts from a free camera.
bool heldAfterRun(const testbed::SimulatedCamera& camera) {
  if (camera.status("ccp_holder") == "none") return false;
  const auto deadline = Clock::now() + kFreeWait;
  while (Clock::now() < deadline && camera.status("ccp_holder") != "none") {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  return true;
}

// The command's own message, which ends its stderr.
std::string lastLine(const std::string& text) {
  const size_t end = text.find_last_not_of('\n');
  if (end == std::string::npos) return "(nothing on stderr)\n";
  const size_t before = text.rfind('\n', end);
  const size_t from = before == std::string::npos ? 0 : before + 1;
  return text.substr(from, end + 1 - from) + "\n";
}

struct Figures {
  int cycles = 0;
  int failures = 0;
  int falseSuccesses = 0;
  int heldAfter = 0;
  std::map<int, int> failureCodes;
};

void print(const Figures& f, double seconds) {
  std::printf(
      "set soak: %d cycles, modes taking turns, 5%% of requests and answers dropped,\n"
      "  5%% of answers duplicated, a stale acknowledge before every answer\n",
      f.cycles);
  std::string codes;
  for (const auto& [code, count] : f.failureCodes) {
    codes +=
        (codes.empty() ? "" : ", ") + std::to_string(count) + " x exit " + std::to_string(code);
  }
  std::printf("  reported failures    %6d  (%s)\n", f.failures,
              codes.empty() ? "none" : codes.c_str());
  std::printf("  false successes      %6d  goal 0\n", f.falseSuccesses);
  std::printf("  control left held    %6d  goal 0\n", f.heldAfter);
  std::printf("  wall time            %8.1f s  (%.0f ms per cycle)\n", seconds,
              f.cycles > 0 ? 1000.0 * seconds / f.cycles : 0.0);
}

int soak(int cycles) {
  testbed::Network net;
  const testbed::Network::Lan lan = net.addLan("host", "192.168.77.1/24");
  if (lan.host.empty()) {
    std::fprintf(stderr, "nuv_soak_set: %s\n", net.lastError().c_str());
    return 1;
  }
  testbed::CameraSpec setup;
  setup.mac = "02:00:00:00:77:20";
  setup.ip = kCameraIp;
  setup.extraArgs = {"--seed",           "77",   "--drop-requests",     "0.05",
                     "--drop-answers",   "0.05", "--duplicate-answers", "0.05",
                     "--stale-ack-first"};
  testbed::SimulatedCamera camera(net, lan.sw, "cam", setup);
  if (!camera.ready()) {
    std::fprintf(stderr, "nuv_soak_set: the simulator did not start: %s\n",
                 camera.process().errors().c_str());
    return 1;
  }
  const os::SignalGuard signals;
  Figures f;
  const auto start = Clock::now();
  for (int i = 0; i < cycles && !signals.stopRequested(); ++i) {
    const Cycle c = cycle(i);
    const testbed::ToolRun run = testbed::runTool(lan.host, c.args, {}, "", kCycleBound);
    ++f.cycles;
    const int status = run.status.value_or(-1);
    if (status == 0 && !matches(camera, c)) ++f.falseSuccesses;
    if (status != 0) {
      ++f.failures;
      ++f.failureCodes[status];
      std::printf("  cycle %d, exit %d: %s", i + 1, status, lastLine(run.err).c_str());
    }
    if (heldAfterRun(camera)) ++f.heldAfter;
  }
  print(f, std::chrono::duration<double>(Clock::now() - start).count());
  return f.falseSuccesses == 0 && f.heldAfter == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int cycles = argc > 1 ? std::atoi(argv[1]) : kDefaultCycles;
  if (argc > 2 || cycles <= 0) {
    std::fputs("usage: nuv_soak_set [CYCLES]\n", stderr);
    return 2;
  }
  if (::geteuid() != 0) {
    std::fputs("nuv_soak_set: builds network namespaces and needs root\n", stderr);
    return 1;
  }
  return soak(cycles);
}

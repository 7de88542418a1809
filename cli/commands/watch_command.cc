#include <algorithm>
#include <chrono>
#include <thread>

#include "cli/camera/discovery_run.h"
#include "cli/commands/commands.h"
#include "cli/output/json_render.h"
#include "cli/output/watch_render.h"
#include "device/watch_round.h"
#include "device/watch_state.h"
#include "os/whole_file.h"

namespace cli {

namespace {

using Clock = std::chrono::steady_clock;

// The longest discovery window of a round: a signal that comes as a window
// opens still ends the watch within a second.
constexpr int kMaxWindowMs = 500;
constexpr int kMinWindowMs = 100;
// How often the wait between rounds looks for a stop signal.
constexpr std::chrono::milliseconds kSignalPoll{50};

class Watch {
 public:
  Watch(const Invocation& invocation, const os::SignalGuard& guard, std::ostream& out,
        std::ostream& err)
      : invocation_(invocation),
        guard_(guard),
        out_(out),
        err_(err),
        state_(invocation.lostAfter) {}

  void run() {
    while (!guard_.stopRequested()) {
      const Clock::time_point start = Clock::now();
      round();
      waitUntil(start + std::chrono::milliseconds(intervalMs()));
    }
  }

 private:
  int intervalMs() const { return static_cast<int>(invocation_.intervalS * 1000); }
  int windowMs() const {
    return std::max(kMinWindowMs,
                    std::min({invocation_.timeoutMs, kMaxWindowMs, intervalMs() / 2}));
  }

  void round() {
    const device::WatchRound round =
        device::observeRound(invocation_.interfaces, std::chrono::milliseconds(windowMs()));
    if (round.overUdp) warnOnce(kUdpFallbackWarning);
    if (!round.discovery.ok()) warnOnce("warning: discovery: " + round.discovery.toString());
    for (const device::WatchEvent& event : state_.fold(round.observation))
      print(event, round.observation.time);
    device::readLinkSpeeds(state_, [&] { return guard_.stopRequested(); });
    writeTextfile(RoundFigures{round.discoverySeconds});
  }

  void print(const device::WatchEvent& event, double time) {
    out_ << (invocation_.json ? writeJson(watchEventJson(event, time))
                              : watchEventText(event, time))
         << std::endl;  // one line at a time, for the journal and pipes
  }

  void writeTextfile(const RoundFigures& figures) {
    if (invocation_.textfile.empty()) return;
    const std::string problem =
        os::writeFileWhole(invocation_.textfile, prometheusText(state_, figures));
    if (!problem.empty()) warnOnce("warning: textfile: " + problem);
  }

  // The same warning is given once in a row, not every round.
  void warnOnce(const std::string& warning) {
    if (warning == lastWarning_) return;
    lastWarning_ = warning;
    err_ << warning << std::endl;
  }

  void waitUntil(Clock::time_point next) const {
    while (!guard_.stopRequested() && Clock::now() < next)
      std::this_thread::sleep_for(std::min<Clock::duration>(kSignalPoll, next - Clock::now()));
  }

  const Invocation& invocation_;
  const os::SignalGuard& guard_;
  std::ostream& out_;
  std::ostream& err_;
  device::WatchState state_;
  std::string lastWarning_;
};

}  // namespace

CommandResult runWatch(const CommandContext& context) {
  Watch(context.invocation, *context.signals, context.out, context.err).run();
  CommandResult result;
  result.streamed = true;
  return result;
}

}  // namespace cli

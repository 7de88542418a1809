#include "cli/run.h"

#include <algorithm>

#include "cli/camera/discovery_run.h"
#include "cli/commands/commands.h"
#include "cli/output/json_render.h"
#include "gvcp/trace.h"
#include "net/host_interfaces.h"
#include "net/packet_socket.h"
#include "net/privilege.h"
#include "os/signal_guard.h"

namespace cli {

namespace {

// Prints `result` and gives its exit code.
int emit(const CommandResult& result, bool json, std::ostream& out, std::ostream& err) {
  if (result.streamed && result.code == ExitCode::kOk) return 0;
  if (json) {
    out << writeJson(resultDocument(result)) << "\n";
  } else {
    out << result.text;
  }
  if (result.code != ExitCode::kOk) err << "nuv-ipconfig: " << result.message << "\n";
  return static_cast<int>(result.code);
}

// The trace lines go to `err`, one per datagram, while the command runs.
class TraceToStream {
 public:
  TraceToStream(bool enabled, std::ostream& err) : enabled_(enabled) {
    if (!enabled_) return;
    gvcp::setTraceHook([&err](gvcp::TraceDirection direction, uint32_t ip, uint16_t port,
                              std::span<const uint8_t> datagram) {
      err << gvcp::describeDatagram(direction, ip, port, datagram) << "\n";
    });
    net::setTraceHook([&err](const std::string& line) { err << line << "\n"; });
  }
  ~TraceToStream() {
    if (!enabled_) return;
    gvcp::setTraceHook({});
    net::setTraceHook({});
  }
  TraceToStream(const TraceToStream&) = delete;
  TraceToStream& operator=(const TraceToStream&) = delete;

 private:
  bool enabled_;
};

CommandResult runCommand(const CommandContext& context);

// More would near the process's descriptor limit; apply's rows beyond it
// that find the reserve empty hear their camera's return by UDP alone.
constexpr int kMaxHeldPacketSockets = 256;

// The packet sockets a changing command may hold at once: a discovery's, one
// per adapter (the lookup, the return wait after a restart or FORCEIP, a
// watch round), and the ARP probe's beside a return wait on the camera's
// adapter while it moves a camera. Apply's rows run `jobs` at a time.
int packetSocketsNeeded(const Invocation& invocation, size_t adapters) {
  const int rows = invocation.command == Command::kApply ? invocation.jobs : 1;
  return std::min(rows * (static_cast<int>(adapters) + 2), kMaxHeldPacketSockets);
}

// A changing command opens every packet socket it may need now, under one
// raise, and gives up every capability before it starts: its later steps take
// those sockets from the reserve and hand them back when done
// (net/packet_socket.h), watch round after round. Capabilities belong to a
// thread and a thread inherits its creator's: no thread exists yet (apply's
// workers and a camera session's heartbeat start inside the command), so after
// this drop none in the process holds a capability. SO_BINDTODEVICE is not
// held: on kernels before 5.7, where it needs the privilege, a bind after the
// drop is refused (discovery then sends untied).
void holdSocketsAndDrop(const Invocation& invocation, size_t adapters) {
  (void)net::holdPacketSockets(packetSocketsNeeded(invocation, adapters));
  net::dropForGood();
}

// The command, with every capability given up before a changing command
// starts, and by list, show and doctor once their discovery's sockets are open.
CommandResult dispatch(const Invocation& invocation, std::ostream& out, std::ostream& err) {
  const Command command = invocation.command;
  std::optional<Selector> selector;
  if (command != Command::kList && command != Command::kApply && command != Command::kDoctor &&
      command != Command::kWatch) {
    SelectorParse parsed = parseSelector(invocation.camera);
    if (!parsed.selector) return failure(ExitCode::kUsage, parsed.error);
    selector = parsed.selector;
  }
  const std::vector<net::HostInterface> host = net::listHostInterfaces();
  const AdapterChoice choice = chooseAdapters(net::ipv4Adapters(host), invocation.interfaces);
  if (!choice.error.empty()) return failure(ExitCode::kUsage, choice.error);
  const TraceToStream trace(invocation.trace, err);
  // The commands that change a camera run under a guard: a signal must let
  // them give control back before they leave; watch ends on it. Firmware arms its urgent exit
  // on it while the camera flashes, so it is not const.
  std::optional<os::SignalGuard> guard;
  if (command != Command::kList && command != Command::kShow && command != Command::kDoctor) {
    holdSocketsAndDrop(invocation, choice.adapters.size());
    guard.emplace();
  } else {
    // These open no privileged socket after their discovery's: they drop
    // every capability while its window is still open.
    net::dropOnceSocketsOpen();
  }
  CommandResult result = runCommand({invocation, selector ? &*selector : nullptr, choice.adapters,
                                     host, guard ? &*guard : nullptr, out, err});
  net::dropForGood();
  return result;
}

CommandResult runCommand(const CommandContext& context) {
  switch (context.invocation.command) {
    case Command::kList:
      return runList(context);
    case Command::kDoctor:
      return runDoctor(context);
    case Command::kShow:
      return runShow(context);
    case Command::kRename:
      return runRename(context);
    case Command::kRestart:
      return runRestart(context);
    case Command::kSet:
      return runSet(context);
    case Command::kForceIp:
      return runForceIp(context);
    case Command::kApply:
      return runApply(context);
    case Command::kWatch:
      return runWatch(context);
    case Command::kFirmware:
      return runFirmware(context);
  }
  return failure(ExitCode::kFailed, "unknown command");  // not reached: every command is above
}

}  // namespace

int runCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
  const ParseOutcome parsed = parseCommandLine(argc, argv);
  if (!parsed.invocation && parsed.error.empty()) {
    out << parsed.output;
    return 0;
  }
  if (!parsed.invocation)
    return emit(failure(ExitCode::kUsage, parsed.error), parsed.json, out, err);
  return emit(dispatch(*parsed.invocation, out, err), parsed.invocation->json, out, err);
}

}  // namespace cli

// The command line's commands, one function each, called by cli/run.cc once
// every argument is checked and the adapters are chosen. Each returns its
// CommandResult (text and JSON rendered through cli/output/) and writes
// warnings on `err`; none prints its result or ends the process. The caller's
// thread.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "net/adaptor.h"
#include "net/host_interfaces.h"
#include "os/signal_guard.h"

namespace cli {

// What a command runs with. `selector` is the CAMERA argument (null for list,
// doctor, apply and watch); `signals` guards the commands that change a camera
// and watch (null for list, show and doctor); `host` is the host's interfaces
// as listed for the adapters; `out` takes what a command streams as it goes.
struct CommandContext {
  const Invocation& invocation;
  const Selector* selector;
  const std::vector<Adaptor>& adapters;
  const std::vector<net::HostInterface>& host;
  os::SignalGuard* signals;
  std::ostream& out;
  std::ostream& err;
};

// `list`: one discovery over the chosen adapters, the cameras sorted by
// adapter name, then numerically by address (then MAC), as a table and as
// {"cameras": [...]}. No camera is success: "no camera found" on `err`.
CommandResult runList(const CommandContext& context);

// `doctor`: why a camera cannot be seen or used, and how to fix it. Gathers
// the facts (diagnosis/doctor_gather.h), judges them (diagnosis/diagnosis.h)
// and renders the findings as a table or as {"checks": [...], "cameras":
// [...]}. Changes nothing. Exit 1 when a finding is at level fail (the
// document then carries "error" beside the checks), or when the discovery
// failed.
CommandResult runDoctor(const CommandContext& context);

// `show CAMERA`: the camera's registers read into CameraSettings without
// taking control. An address that answers a register read is read at once;
// anything else is looked up by one discovery (exit 3 when nothing matches, 4
// with the candidates when several cameras do) and then read at the address
// it answered from. A read that fails is exit 1.
CommandResult runShow(const CommandContext& context);

// `rename CAMERA NAME`: writes the user-defined name (1 to 15 printable ASCII
// bytes, NUL-filled to its 16-byte field) under control of the camera and
// reads it back; a different read-back is a failure (exit 1). The name was
// checked when the command line was parsed. A stop signal before the write
// gives control back and ends with exit 130.
CommandResult runRename(const CommandContext& context);

// `restart CAMERA [--wait-s N]`: takes control, requests the restart (the
// device-specific restart register), confirms that the camera went silent,
// then runs discoveries until one finds the camera again by its MAC, for at
// most N seconds (exit 1 beyond). Reports where it came back, with a warning
// when that is not what its IP configuration leads one to expect. A stop
// signal before the request gives control back (exit 130); after it, the
// wait ends (exit 130) and the privilege has ended with the restart.
CommandResult runRestart(const CommandContext& context);

// `set CAMERA --mode persistent|dhcp|lla [--ip A --mask M [--gateway G]]
// [--restart [--wait-s N]] [--force]`: takes control of the camera, reads its
// settings, changes its IP mode (device/desired_state.h: refusals, the writes
// as one unit, every register read back) and gives control back; with
// --restart it then restarts the camera and waits for it as `restart` does,
// judging where it came back by the new mode. A stop signal before the take,
// before the writes or before the restart gives control back (exit 130);
// during the wait it ends the wait (exit 130).
CommandResult runSet(const CommandContext& context);

// `force-ip CAMERA --ip A|auto --mask M [--gateway G] [--force]`: finds the
// camera by one discovery (wherever its address lies), probes the address
// with ARP on the adapter it answered through (another station answering:
// exit 1 naming its MAC, unless --force), or with --ip auto picks the first
// free address from the top of the adapter's subnet down; then sends
// FORCEIP for the camera's MAC through that adapter and confirms by a new
// discovery that it answers at the new address (exit 1 when not). Needs the
// packet-socket privilege for the probe and to see a camera outside the
// subnet (exit 5 without it, before anything is sent). FORCEIP is a broadcast
// by MAC: control of the camera is never taken, so there is nothing to give
// back; a stop signal ends it between steps with exit 130.
CommandResult runForceIp(const CommandContext& context);

// `firmware CAMERA IMAGE [--yes] [--dry-run]`: the checks of the job before
// anything is sent, the camera found by its selector, then the update on the
// process's own console (cli/commands/firmware_command.h).
CommandResult runFirmware(const CommandContext& context);

// `apply FILE`: a planned address list applied to many cameras. The plan
// (cli/input/apply_plan.h) is read and checked whole, then one discovery finds
// every row's camera; a malformed file or a MAC that no camera answered for
// is reported with file and line, and then nothing is written to any camera.
// Each row then runs under its own control session, up to --jobs cameras at
// once: its mode as `set` writes it (no --force), then its name as `rename`
// writes it. A failed row does not stop the others. The results follow in
// file order, as a table or as the JSON "rows" array; exit 1 when any row
// failed. A stop signal lets the rows under way finish and give control
// back, starts no further row, and ends with exit 130.
CommandResult runApply(const CommandContext& context);

// `watch`: one discovery every --interval-s over every adapter that is up (or
// the named ones; adapters that come up later join), the events of each round
// on `out` as they come, one line each, flushed (text, or JSON Lines with
// --json), and with --textfile the Prometheus metrics written whole after
// every round. Reads only: nothing is written to a camera and control is
// never taken. Runs until the signal guard sees SIGINT or SIGTERM, then ends
// within a second with success.
CommandResult runWatch(const CommandContext& context);

}  // namespace cli

// nuv-ipconfig: finds the GigE Vision cameras on the host's adapters. Without
// arguments it runs the interactive dialogue; with any argument, the command
// line (`nuv-ipconfig --help`). Either keeps CAP_NET_RAW alone, in the
// permitted set only, from the start (net/privilege.h).
#include <iostream>

#include "app/dialogue.h"
#include "audit/audit_trail.h"
#include "cli/run.h"
#include "net/packet_socket.h"
#include "net/privilege.h"

namespace {

// The dialogue has one packet socket open at a time (an adapter's discovery
// capture, then FORCEIP's link watch), each given back to the reserve when
// done: it holds two before it starts, then gives up every capability, before
// any thread exists, so it parses what cameras send without any privilege.
constexpr int kDialoguePacketSockets = 2;

}  // namespace

int main(int argc, char** argv) {
  net::keepOnlyNetRaw();
  // Every change made to a camera in this run goes to the system journal.
  const bool dialogue = argc <= 1;
  const audit::AuditTrail trail(audit::journalSink(dialogue ? nullptr : &std::cerr));
  if (dialogue) {
    (void)net::holdPacketSockets(kDialoguePacketSockets);
    net::dropForGood();
    return runDialogue();
  }
  return cli::runCommandLine(argc, argv, std::cout, std::cerr);
}

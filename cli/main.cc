// nuv-ipconfig: finds the GigE Vision cameras on the host's adapters. Without
// arguments it runs the interactive dialogue; with any argument, the command
// line (`nuv-ipconfig --help`). Either keeps CAP_NET_RAW alone, in the
// permitted set only, from the start (net/privilege.h).
#include <iostream>

#include "app/dialogue.h"
#include "audit/audit_trail.h"
#include "cli/run.h"
#include "net/privilege.h"

int main(int argc, char** argv) {
  privilege::keepOnlyNetRaw();
  // Every change made to a camera in this run goes to the system journal.
  const bool dialogue = argc <= 1;
  const audit::AuditTrail trail(audit::journalSink(dialogue ? nullptr : &std::cerr));
  if (dialogue) return runDialogue();
  return cli::runCommandLine(argc, argv, std::cout, std::cerr);
}

// nuv-ipconfig: finds the GigE Vision cameras on the host's adapters. Without
// arguments it runs the interactive dialogue; with any argument, the command
// line (`nuv-ipconfig --help`).
#include <iostream>

#include "app/dialogue.h"
#include "audit/audit_trail.h"
#include "cli/run.h"

int main(int argc, char** argv) {
  // Every change made to a camera in this run goes to the system journal.
  const bool dialogue = argc <= 1;
  const audit::AuditTrail trail(audit::journalSink(dialogue ? nullptr : &std::cerr));
  if (dialogue) return runDialogue();
  return cli::runCommandLine(argc, argv, std::cout, std::cerr);
}

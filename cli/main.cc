// nuv-ipconfig: finds the GigE Vision cameras on the host's adapters. Without
// arguments it runs the interactive dialogue; with any argument, the command
// line (`nuv-ipconfig --help`).
#include <iostream>

#include "app/dialogue.h"
#include "cli/run.h"

int main(int argc, char** argv) {
  if (argc <= 1) return runDialogue();
  return cli::runCommandLine(argc, argv, std::cout, std::cerr);
}

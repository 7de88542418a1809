// nuv-ipconfig: finds the GigE Vision cameras on every adapter of the host and
// changes how a chosen camera gets its IPv4 address. Without arguments it runs
// the interactive dialogue.
#include "app/dialogue.h"

int main() { return runDialogue(); }

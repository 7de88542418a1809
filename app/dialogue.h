// The interactive dialogue of a run without arguments: greeting, adapter scan,
// discovery on every adapter, the camera list and choice, then the
// reachability check and the reconfiguration of the chosen camera. Reads
// std::cin, writes stdout. Returns 0 on every path that returns; a discovery
// socket failure ends the process with status 255.
#pragma once

int runDialogue();

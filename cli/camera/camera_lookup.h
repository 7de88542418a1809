// The command line's side of finding the one camera a CAMERA argument names
// (device/camera_lookup.h): the invocation's discovery window, what a lookup
// noted said on `err` (the fallback to ordinary UDP, and the candidates of an
// ambiguous selector, one line each), and the failure a command reports when
// it found nothing. The caller's thread.
#pragma once

#include <chrono>
#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "device/camera_lookup.h"
#include "net/adaptor.h"

namespace cli {

// `lookup`, after what it noted was said on `err`.
device::Lookup noteLookup(device::Lookup lookup, std::ostream& err);

// The invocation's discovery window.
std::chrono::milliseconds windowOf(const Invocation& invocation);

// The failure of a lookup that found nothing, with "candidates" when the
// selector was ambiguous.
CommandResult lookupFailure(const device::Lookup& lookup);

}  // namespace cli

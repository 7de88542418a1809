// The command line's side of finding the one camera a CAMERA argument names
// (device/camera_lookup.h): each lookup in the invocation's discovery window,
// with what it noted said on `err` (the fallback to ordinary UDP, and the
// candidates of an ambiguous selector, one line each), and the failure a
// command reports when it found nothing. The caller's thread.
#pragma once

#include <ostream>
#include <vector>

#include "cli/exit_code.h"
#include "cli/input/command_line.h"
#include "cli/input/selector.h"
#include "device/camera_lookup.h"
#include "net/adaptor.h"

namespace cli {

using device::LookupUse;

device::Lookup findCamera(const Invocation& invocation, const Selector& selector,
                          const std::vector<Adaptor>& adapters, std::ostream& err,
                          LookupUse use = LookupUse::kRead);
device::Lookup findCameraByDiscovery(const Invocation& invocation, const Selector& selector,
                                     const std::vector<Adaptor>& adapters, std::ostream& err,
                                     LookupUse use);
device::Lookup findDiscovered(const Invocation& invocation, const Selector& selector,
                              const std::vector<Adaptor>& adapters, std::ostream& err,
                              LookupUse use = LookupUse::kRead);

// The failure of a lookup that found nothing, with "candidates" when the
// selector was ambiguous.
CommandResult lookupFailure(const device::Lookup& lookup);

}  // namespace cli

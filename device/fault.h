// The failures of the camera operations, in the one error type below the
// command line: a gvcp::Status whose local code is a Fault and whose text
// says what went wrong (for the command line to print as it stands). The
// command line gives each Fault its exit status. The codes lie above those of
// the protocol's sites (gvcp::ForceIpSite, device::SessionSite), so that a
// status of theirs never reads as a Fault. Plain values.
#pragma once

#include <string>

#include "gvcp/status.h"

namespace device {

// Each code is the command line's exit status for it above kFaultBase.
inline constexpr int kFaultBase = 1000;
enum class Fault {
  kFailed = kFaultBase + 1,       // the camera refused, did not answer, or a check after it failed
  kUsage = kFaultBase + 2,        // the request cannot be done as asked; nothing was sent
  kNotFound = kFaultBase + 3,     // no camera matched
  kAmbiguous = kFaultBase + 4,    // more than one camera matched
  kNoPrivilege = kFaultBase + 5,  // the packet-socket privilege is missing where it is needed
  kInterrupted = kFaultBase + 130,  // a stop signal ended the operation between its steps
};

inline gvcp::Status fault(Fault kind, std::string what) {
  return gvcp::Status::Local(static_cast<int>(kind), std::move(what));
}

}  // namespace device

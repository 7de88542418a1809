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

enum class Fault {
  kFailed = 1001,       // the camera refused, did not answer, or a check after it failed
  kUsage = 1002,        // the request cannot be done as asked; nothing was sent
  kNotFound = 1003,     // no camera matched
  kAmbiguous = 1004,    // more than one camera matched
  kNoPrivilege = 1005,  // the packet-socket privilege is missing where it is needed
  kInterrupted = 1130,  // a stop signal ended the operation between its steps
};

inline gvcp::Status fault(Fault kind, std::string what) {
  return gvcp::Status::Local(static_cast<int>(kind), std::move(what));
}

}  // namespace device

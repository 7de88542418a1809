#include "cli/exit_code.h"

#include "device/fault.h"

namespace cli {

const char* errorCodeName(ExitCode code) {
  switch (code) {
    case ExitCode::kOk:
      return "";
    case ExitCode::kFailed:
      return "failed";
    case ExitCode::kUsage:
      return "usage";
    case ExitCode::kNotFound:
      return "not_found";
    case ExitCode::kAmbiguous:
      return "ambiguous";
    case ExitCode::kNoPrivilege:
      return "no_privilege";
    case ExitCode::kInterrupted:
      return "interrupted";
  }
  return "failed";
}

namespace {

// A Fault's code is its exit status above device::kFaultBase.
ExitCode exitCodeOf(int localCode) {
  switch (static_cast<device::Fault>(localCode)) {
    case device::Fault::kFailed:
    case device::Fault::kUsage:
    case device::Fault::kNotFound:
    case device::Fault::kAmbiguous:
    case device::Fault::kNoPrivilege:
    case device::Fault::kInterrupted:
      return static_cast<ExitCode>(localCode - device::kFaultBase);
  }
  return ExitCode::kFailed;
}

}  // namespace

CommandResult failureOf(const gvcp::Status& status, const std::string& who) {
  return failure(status.isCameraStatus() ? ExitCode::kFailed : exitCodeOf(status.code()),
                 (who.empty() ? "" : who + ": ") + status.toString());
}

}  // namespace cli

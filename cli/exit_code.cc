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

ExitCode exitCodeOf(int localCode) {
  switch (static_cast<device::Fault>(localCode)) {
    case device::Fault::kFailed:
      return ExitCode::kFailed;
    case device::Fault::kUsage:
      return ExitCode::kUsage;
    case device::Fault::kNotFound:
      return ExitCode::kNotFound;
    case device::Fault::kAmbiguous:
      return ExitCode::kAmbiguous;
    case device::Fault::kNoPrivilege:
      return ExitCode::kNoPrivilege;
    case device::Fault::kInterrupted:
      return ExitCode::kInterrupted;
  }
  return ExitCode::kFailed;
}

}  // namespace

CommandResult failureOf(const gvcp::Status& status, const std::string& who) {
  return failure(status.isCameraStatus() ? ExitCode::kFailed : exitCodeOf(status.code()),
                 (who.empty() ? "" : who + ": ") + status.toString());
}

}  // namespace cli

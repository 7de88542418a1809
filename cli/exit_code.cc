#include "cli/exit_code.h"

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

}  // namespace cli

// The command line's outcome: exit code, the code string that JSON carries in
// "error": {"code": ...}, and the result a command hands to the renderer.
// Plain values.
#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "gvcp/status.h"

namespace cli {

enum class ExitCode {
  kOk = 0,
  kFailed = 1,         // the camera refused, did not answer, or a check after it failed
  kUsage = 2,          // bad arguments; nothing was sent
  kNotFound = 3,       // no camera matched
  kAmbiguous = 4,      // more than one camera matched
  kNoPrivilege = 5,    // the packet-socket privilege is missing where it is needed
  kInterrupted = 130,  // SIGINT or SIGTERM; control of the camera was given back first
};

// "usage", "failed", "not_found", "ambiguous", "no_privilege", "interrupted";
// "" for kOk.
const char* errorCodeName(ExitCode code);

// What a command produced: on success `data` holds the JSON fields beside
// "ok" and `text` the human output; on failure `message` says why, and `data`
// may hold fields beside "error" (the candidates of an ambiguous choice).
struct CommandResult {
  ExitCode code = ExitCode::kOk;
  std::string message;
  nlohmann::ordered_json data = nlohmann::ordered_json::object();
  std::string text;
  bool streamed = false;  // the command wrote its output as it ran: nothing more on success
};

inline CommandResult failure(ExitCode code, std::string message) {
  CommandResult result;
  result.code = code;
  result.message = std::move(message);
  return result;
}

// The failure of an operation below the command line (device/fault.h): its
// Fault's exit status (1 for any other status) and its text.
// With `who`, the text is "WHO: TEXT".
CommandResult failureOf(const gvcp::Status& status, const std::string& who = "");

// A stop signal ended the command (control of the camera given back first).
inline CommandResult interrupted() { return failure(ExitCode::kInterrupted, "interrupted"); }

}  // namespace cli

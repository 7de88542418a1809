// One line of `doctor`'s verdict: which check, how bad, where (adapter and
// camera MAC, each empty when the finding concerns neither), what was found
// and the command that fixes it (empty when there is no single command).
// Plain values.
#pragma once

#include <string>

namespace diagnosis {

// In order of severity; a finding of kFail makes the command fail.
enum class Level { kOk, kInfo, kWarn, kFail };

struct Finding {
  std::string check;
  Level level = Level::kOk;
  std::string adapter;
  std::string camera;
  std::string message;
  std::string fix;
};

// "ok", "info", "warn", "fail".
const char* levelName(Level level);

}  // namespace diagnosis

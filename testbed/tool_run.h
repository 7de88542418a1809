// One run of the tool (nuv-ipconfig) to its end inside a test namespace, fed
// a given input and then end of input: exit status, both output streams, wall
// time from start to exit and peak resident size. Never runs in the caller's
// own namespace, which holds the machine's real interfaces.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "testbed/process.h"

namespace testbed {

struct ToolRun {
  std::optional<int> status;  // nullopt: not started, or killed after the timeout
  std::string out;
  std::string err;
  double wallMs = 0;
  std::optional<long> peakRssKiB;
};

// The tool in namespace `ns` (which must not be empty) with `args` after its
// name (none: the dialogue), under `wrapper` when given (a program and its
// options, e.g. setpriv), fed `input` and then end of input; killed after
// `timeout`.
ToolRun runTool(const std::string& ns, const std::vector<std::string>& args,
                const std::vector<std::string>& wrapper = {}, const std::string& input = "",
                Millis timeout = Millis(20000));

// How often `part` occurs in `text`.
size_t countOf(const std::string& text, const std::string& part);

}  // namespace testbed

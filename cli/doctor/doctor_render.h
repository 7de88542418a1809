// doctor's verdict for people and for scripts: a table of the findings above
// level ok, worst first, each with its fix on the line below, ending in one
// line when nothing is wrong; and the JSON "checks" array of every entry.
// Text never drives the terminal. Pure.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "diagnosis/finding.h"

namespace cli {

// `cameras` and `adapters` count what was looked at, for the closing line.
std::string doctorTable(const std::vector<diagnosis::Finding>& findings, size_t cameras,
                        size_t adapters);

// [{"check", "level", "adapter", "camera", "message", "fix"}, ...]; an empty
// adapter, camera or fix is null.
nlohmann::ordered_json checksJson(const std::vector<diagnosis::Finding>& findings);

}  // namespace cli

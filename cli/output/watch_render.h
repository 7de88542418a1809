// The watch's output: one event as a text line or as one JSON object (the
// camera's fields as list --json gives them, with "event", "time", "mac",
// "adapter" and, for changes, "from" and "to"), and the state after a round
// as a Prometheus textfile (HELP and TYPE lines, label values escaped as the
// exposition format asks). Pure.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

#include "device/watch_state.h"

namespace cli {

// RFC 3339 in UTC with milliseconds: "2026-12-09T17:05:00.250Z".
std::string rfc3339(double epochSeconds);

nlohmann::ordered_json watchEventJson(const device::WatchEvent& event, double time);
// "TIME EVENT ADAPTER MAC IP MODEL SERIAL NAME [FROM -> TO]", camera text made safe.
std::string watchEventText(const device::WatchEvent& event, double time);

// A label value escaped: backslash, double quote and newline as the format
// says; other control bytes and bytes outside ASCII become '?'.
std::string labelValue(const std::string& text);

struct RoundFigures {
  std::vector<std::pair<std::string, double>> discoverySeconds;  // per adapter watched
};

std::string prometheusText(const device::WatchState& state, const RoundFigures& figures);

}  // namespace cli

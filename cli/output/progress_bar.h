// ProgressBar: the firmware upload's progress line for a terminal: a bar,
// bytes done of the total, percent, rate and time left. It is pure: the caller
// passes the time and writes the returned text (which starts with '\r' and so
// overwrites the previous draw) to the terminal, and ends the line itself.
// Redraws come at most ten times a second, except that the last byte always
// draws. One thread.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace cli {

// Faster redraws only flicker; slower ones make the rate look stuck.
inline constexpr std::chrono::milliseconds kProgressRedrawInterval{100};

// One draw for `done` of `total` bytes after `elapsed`; rate and time left
// show "-" until a byte and a millisecond have passed.
std::string renderProgress(uint64_t done, uint64_t total, std::chrono::milliseconds elapsed);

class ProgressBar {
 public:
  using Clock = std::chrono::steady_clock;
  ProgressBar(uint64_t totalBytes, Clock::time_point start) : total_(totalBytes), start_(start) {}

  // The draw for `done` bytes at `now`, or nothing when the previous draw was
  // less than the redraw interval ago and the upload is not complete.
  std::optional<std::string> update(uint64_t done, Clock::time_point now);

 private:
  uint64_t total_;
  Clock::time_point start_;
  std::optional<Clock::time_point> lastDraw_;
};

}  // namespace cli

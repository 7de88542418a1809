#include "cli/output/progress_bar.h"

#include <algorithm>
#include <cstdio>

namespace cli {
namespace {

constexpr uint64_t kBarWidth = 24;
constexpr double kKiB = 1024.0;

// "512 B", "12.5 KiB", "3.0 MiB".
std::string bytesText(double bytes) {
  char text[32];
  if (bytes < kKiB) {
    std::snprintf(text, sizeof text, "%.0f B", bytes);
  } else if (bytes < kKiB * kKiB) {
    std::snprintf(text, sizeof text, "%.1f KiB", bytes / kKiB);
  } else {
    std::snprintf(text, sizeof text, "%.1f MiB", bytes / (kKiB * kKiB));
  }
  return text;
}

// "m:ss", rounded up so that the last second shows as 0:01, not 0:00.
std::string clockText(double seconds) {
  const auto whole = static_cast<long long>(seconds + 0.999);
  char text[32];
  std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  return text;
}

}  // namespace

std::string renderProgress(uint64_t done, uint64_t total, std::chrono::milliseconds elapsed) {
  done = std::min(done, total);
  // Whole numbers, so that 50% is drawn at exactly half and never before.
  const uint64_t percent = total == 0 ? 100 : done * 100 / total;
  const uint64_t filled = total == 0 ? kBarWidth : done * kBarWidth / total;
  std::string line = "\r[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] ";
  char percentText[8];
  std::snprintf(percentText, sizeof percentText, "%3d%%", static_cast<int>(percent));
  line += std::string(percentText) + "  " + bytesText(static_cast<double>(done)) + " of " +
          bytesText(static_cast<double>(total)) + "  ";
  if (done == 0 || elapsed.count() <= 0) return line + "- /s  - left";
  const double rate = static_cast<double>(done) * 1000.0 / static_cast<double>(elapsed.count());
  return line + bytesText(rate) + "/s  " + clockText(static_cast<double>(total - done) / rate) +
         " left";
}

std::optional<std::string> ProgressBar::update(uint64_t done, Clock::time_point now) {
  const bool complete = done >= total_;
  if (lastDraw_ && now - *lastDraw_ < kProgressRedrawInterval && !complete) return std::nullopt;
  lastDraw_ = now;
  return renderProgress(done, total_,
                        std::chrono::duration_cast<std::chrono::milliseconds>(now - start_));
}

}  // namespace cli

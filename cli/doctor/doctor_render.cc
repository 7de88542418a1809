#include "cli/doctor/doctor_render.h"

#include <algorithm>

#include "cli/output/table_render.h"

namespace cli {

namespace {

std::string cell(const std::string& text) { return text.empty() ? "-" : gvcp::tableSafe(text); }

nlohmann::ordered_json orNull(const std::string& text) {
  return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
}

std::string plural(size_t count, const char* noun) {
  return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

}  // namespace

std::string doctorTable(const std::vector<diagnosis::Finding>& findings, size_t cameras,
                        size_t adapters) {
  std::vector<std::vector<std::string>> rows = {{"LEVEL", "CHECK", "ADAPTER", "CAMERA", "FINDING"}};
  for (const diagnosis::Finding& f : findings) {
    if (f.level == diagnosis::Level::kOk) continue;
    rows.push_back({diagnosis::levelName(f.level), f.check, cell(f.adapter), cell(f.camera),
                    gvcp::tableSafe(f.message)});
    if (!f.fix.empty()) rows.push_back({"", "", "", "", "fix: " + gvcp::tableSafe(f.fix)});
  }
  std::string text = rows.size() > 1 ? alignedColumns(rows) : "";
  const bool wrong = std::any_of(findings.begin(), findings.end(), [](const diagnosis::Finding& f) {
    return f.level >= diagnosis::Level::kWarn;
  });
  if (!wrong) {
    text += "no problem found with " + plural(cameras, "camera") + " on " +
            plural(adapters, "adapter") + "\n";
  }
  return text;
}

nlohmann::ordered_json checksJson(const std::vector<diagnosis::Finding>& findings) {
  nlohmann::ordered_json checks = nlohmann::ordered_json::array();
  for (const diagnosis::Finding& f : findings) {
    checks.push_back({{"check", f.check},
                      {"level", diagnosis::levelName(f.level)},
                      {"adapter", orNull(f.adapter)},
                      {"camera", orNull(f.camera)},
                      {"message", f.message},
                      {"fix", orNull(f.fix)}});
  }
  return checks;
}

}  // namespace cli

// Any file content: the plan reader never reads outside its input, and what
// it returns keeps its promises: every row's values pass the checks they were
// read through, MACs are distinct, and an error line is printable and points
// into the file. Half of the inputs are assembled from plan-like tokens so
// that the replay run gets past the header too.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/input/apply_plan.h"
#include "fuzz/fuzz_target.h"

namespace {

constexpr std::string_view kTokens[] = {"mac",
                                        "mode",
                                        "ip",
                                        "mask",
                                        "gateway",
                                        "name",
                                        ",",
                                        "\n",
                                        "\r\n",
                                        "\"",
                                        " ",
                                        "persistent",
                                        "dhcp",
                                        "lla",
                                        "02:11:22:33:44:55",
                                        "02-11-22-33-44-56",
                                        "192.168.10.50",
                                        "255.255.255.0",
                                        "192.168.10.1",
                                        "10.0.0.255",
                                        "cam",
                                        "\"a, \"\"b\"\"\"",
                                        "mac,mode,ip,mask,gateway,name\n",
                                        "0.0.0.0",
                                        "\x1b"};

std::string assembled(const uint8_t* data, size_t size) {
  std::string text;
  for (size_t i = 1; i < size; ++i) text += kTokens[data[i] % std::size(kTokens)];
  return text;
}

bool printable(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  }
  return true;
}

void checkRows(const std::vector<cli::PlanRow>& rows, size_t lineCount) {
  for (size_t i = 0; i < rows.size(); ++i) {
    const cli::PlanRow& row = rows[i];
    if (row.line < 2 || static_cast<size_t>(row.line) > lineCount) std::abort();
    if (row.name && cli::userNameProblem(*row.name)) std::abort();
    if (row.persistent) {
      if (row.mode != cli::IpMode::kPersistent || !cli::isContiguousMask(row.persistent->mask) ||
          cli::hostAddressProblem(row.persistent->ip, row.persistent->mask)) {
        std::abort();
      }
    }
    for (size_t j = 0; j < i; ++j) {
      if (rows[j].mac == row.mac || rows[j].line >= row.line) std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool tokens = size > 0 && data[0] % 2 == 0;
  const std::string content =
      tokens ? assembled(data, size) : std::string(reinterpret_cast<const char*>(data), size);
  const size_t lineCount =
      static_cast<size_t>(std::count(content.begin(), content.end(), '\n')) + 1;
  const cli::ApplyPlan plan = cli::readApplyPlan("f.csv", content);
  if (const auto* error = std::get_if<cli::PlanError>(&plan)) {
    if (error->line < 1 || static_cast<size_t>(error->line) > lineCount) std::abort();
    if (error->message.empty() || !printable(error->text())) std::abort();
  } else {
    checkRows(std::get<std::vector<cli::PlanRow>>(plan), lineCount);
  }
  return 0;
}

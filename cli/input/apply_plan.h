// The planned address list that `apply` reads: CSV text with a header line
// naming its columns (any of mac, mode, ip, mask, gateway, name, in any order;
// mac required), then one row per camera. An empty cell leaves that setting
// as it is. Cells may be quoted ("a, b" and "" for a quote) and are trimmed
// of blanks outside quotes; blank lines are skipped; CRLF is accepted.
// readApplyPlan checks every row before anything is sent and returns either
// the rows or the first error with its line number; whether each MAC belongs
// to a discovered camera is the caller's check. A pure function; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "cli/input/address_rules.h"
#include "cli/input/camera_values.h"
#include "net/macaddress.h"

namespace cli {

// Larger files are no address plan; they are refused before reading on.
inline constexpr size_t kMaxPlanBytes = 1 << 20;

struct PlanRow {
  int line = 0;  // counted from 1 in the file
  MacAddress mac;
  std::optional<IpMode> mode;
  // Only with mode persistent; empty there keeps the camera's own.
  std::optional<AddressSet> persistent;
  std::optional<std::string> name;
};

struct PlanError {
  std::string file;
  int line = 0;
  std::string message;
  // "FILE:LINE: MESSAGE"
  std::string text() const;
};

using ApplyPlan = std::variant<std::vector<PlanRow>, PlanError>;

ApplyPlan readApplyPlan(std::string_view fileName, std::string_view content);

// One line's cells; empty when a quote is left open or text follows a
// closing quote.
std::optional<std::vector<std::string>> splitCsvLine(std::string_view line);

}  // namespace cli

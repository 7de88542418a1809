#include "cli/input/apply_plan.h"

#include <algorithm>
#include <array>
#include <map>

namespace cli {
namespace {

constexpr std::array<std::string_view, 6> kColumns = {"mac",  "mode",    "ip",
                                                      "mask", "gateway", "name"};

std::string_view trimmed(std::string_view text) {
  const size_t begin = text.find_first_not_of(" \t");
  if (begin == std::string_view::npos) return {};
  return text.substr(begin, text.find_last_not_of(" \t") - begin + 1);
}

// Cell text for a message: printable, and short enough for one line.
std::string shown(std::string_view cell) {
  constexpr size_t kMaxShown = 40;
  std::string out = "'";
  for (const char c : cell.substr(0, kMaxShown)) {
    const auto byte = static_cast<unsigned char>(c);
    out.push_back(byte >= 0x20 && byte < 0x7F ? c : '?');
  }
  return out + (cell.size() > kMaxShown ? "...'" : "'");
}

// Reads one quoted cell from `line` (starting at its quote) into `cell`;
// returns the position after the closing quote, npos when it never closes.
size_t quotedCell(std::string_view line, size_t at, std::string& cell) {
  for (size_t i = at + 1; i < line.size(); ++i) {
    if (line[i] != '"') {
      cell.push_back(line[i]);
    } else if (i + 1 < line.size() && line[i + 1] == '"') {
      cell.push_back('"');
      ++i;
    } else {
      return i + 1;
    }
  }
  return std::string_view::npos;
}

// Column name -> index in a row.
using Columns = std::map<std::string, size_t, std::less<>>;

std::variant<Columns, std::string> readHeader(const std::vector<std::string>& cells) {
  Columns columns;
  for (size_t i = 0; i < cells.size(); ++i) {
    if (std::find(kColumns.begin(), kColumns.end(), cells[i]) == kColumns.end()) {
      return "unknown column " + shown(cells[i]) + " (known: mac,mode,ip,mask,gateway,name)";
    }
    if (!columns.emplace(cells[i], i).second) return "column " + shown(cells[i]) + " twice";
  }
  if (!columns.contains("mac")) return std::string("no mac column");
  return columns;
}

class RowReader {
 public:
  RowReader(const Columns& columns, const std::vector<std::string>& cells)
      : columns_(columns), cells_(cells) {}

  std::string_view cell(std::string_view column) const {
    const auto found = columns_.find(column);
    return found == columns_.end() ? std::string_view() : std::string_view(cells_[found->second]);
  }

  // Fills `row` from the cells; the error message otherwise.
  std::optional<std::string> read(PlanRow& row) const {
    const std::optional<MacAddress> mac = net::parseMacText(cell("mac"));
    if (!mac) return "bad mac " + shown(cell("mac"));
    row.mac = *mac;
    if (!cell("mode").empty()) {
      row.mode = parseIpMode(cell("mode"));
      if (!row.mode) return "bad mode " + shown(cell("mode")) + " (persistent, dhcp or lla)";
    }
    if (auto problem = readAddresses(row)) return problem;
    if (cell("name").empty()) return std::nullopt;
    if (auto problem = userNameProblem(cell("name")))
      return "name " + shown(cell("name")) + ": " + *problem;
    row.name = std::string(cell("name"));
    return std::nullopt;
  }

 private:
  std::optional<std::string> readAddresses(PlanRow& row) const {
    const FieldText ip{"ip", cell("ip")}, mask{"mask", cell("mask")};
    const FieldText gateway{"gateway", cell("gateway")};
    if (ip.text.empty() && mask.text.empty() && gateway.text.empty()) return std::nullopt;
    if (row.mode != IpMode::kPersistent)
      return std::string("ip, mask and gateway need mode persistent");
    if (ip.text.empty() || mask.text.empty()) return std::string("ip and mask go together");
    const auto checked = checkAddressSet(ip, mask, gateway);
    if (const auto* problem = std::get_if<AddressProblem>(&checked)) return problem->message();
    row.persistent = std::get<AddressSet>(checked);
    return std::nullopt;
  }

  const Columns& columns_;
  const std::vector<std::string>& cells_;
};

// The lines of `content` with their numbers, blank ones left out.
std::vector<std::pair<int, std::string_view>> contentLines(std::string_view content) {
  std::vector<std::pair<int, std::string_view>> lines;
  int number = 0;
  while (!content.empty()) {
    const size_t end = std::min(content.find('\n'), content.size());
    std::string_view line = content.substr(0, end);
    content.remove_prefix(std::min(end + 1, content.size()));
    ++number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (!trimmed(line).empty()) lines.emplace_back(number, line);
  }
  return lines;
}

}  // namespace

std::string PlanError::text() const { return file + ":" + std::to_string(line) + ": " + message; }

std::optional<std::vector<std::string>> splitCsvLine(std::string_view line) {
  std::vector<std::string> cells;
  size_t at = 0;
  for (;;) {
    const size_t start = line.find_first_not_of(" \t", at);
    std::string cell;
    if (start != std::string_view::npos && line[start] == '"') {
      at = quotedCell(line, start, cell);
      if (at == std::string_view::npos) return std::nullopt;
      const size_t next = line.find_first_not_of(" \t", at);
      if (next != std::string_view::npos && line[next] != ',') return std::nullopt;
      at = next;
    } else {
      const size_t comma = line.find(',', at);
      cell = trimmed(line.substr(at, comma == std::string_view::npos ? line.npos : comma - at));
      at = comma;
    }
    cells.push_back(std::move(cell));
    if (at == std::string_view::npos) return cells;
    ++at;  // past the comma
  }
}

ApplyPlan readApplyPlan(std::string_view fileName, std::string_view content) {
  const auto error = [&](int line, std::string message) -> ApplyPlan {
    return PlanError{std::string(fileName), line, std::move(message)};
  };
  const auto lines = contentLines(content);
  if (lines.empty())
    return error(
        1, "empty file; the first line names the columns, e.g. mac,mode,ip,mask,gateway,name");
  const auto header = splitCsvLine(lines.front().second);
  if (!header) return error(lines.front().first, "unbalanced quote");
  const auto columns = readHeader(*header);
  if (const auto* message = std::get_if<std::string>(&columns))
    return error(lines.front().first, *message);
  std::vector<PlanRow> rows;
  for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
    const auto cells = splitCsvLine(line->second);
    if (!cells) return error(line->first, "unbalanced quote");
    if (cells->size() != header->size()) {
      return error(line->first, std::to_string(cells->size()) + " cells, the header has " +
                                    std::to_string(header->size()));
    }
    PlanRow row;
    row.line = line->first;
    if (auto message = RowReader(std::get<Columns>(columns), *cells).read(row))
      return error(line->first, *message);
    const auto twin =
        std::find_if(rows.begin(), rows.end(), [&](const PlanRow& r) { return r.mac == row.mac; });
    if (twin != rows.end()) {
      return error(line->first, "duplicate mac " + row.mac.getMacInStr(false) + " (first on line " +
                                    std::to_string(twin->line) + ")");
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

}  // namespace cli

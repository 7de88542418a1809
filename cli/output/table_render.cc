#include "cli/output/table_render.h"

#include <algorithm>
#include <array>
#include <bit>

#include "gvcp/camera_text.h"
#include "gvcp/ip_config.h"
#include "net/ipv4.h"
#include "net/macaddress.h"

namespace cli {

namespace {

using Row = std::vector<std::string>;

// The footnote marks of a camera: '!' outside its subnet, '=' sharing its
// address, '*' at this host's address.
std::string marksOf(const device::CameraRecord& c) {
  return std::string(c.reachable ? "" : "!") + (c.sharesAddressWith.empty() ? "" : "=") +
         (c.hostAddress ? "*" : "");
}

Row rowOf(size_t index, const device::CameraRecord& c) {
  return {std::to_string(index),
          net::macText(c.mac),
          addressWithMask(c.ip, c.mask),
          c.adapter ? gvcp::tableSafe(c.adapter->name) : "-",
          gvcp::tableSafe(c.identity.model),
          gvcp::tableSafe(c.identity.serial.value_or("")),
          gvcp::tableSafe(c.identity.userName.value_or("")),
          modeText(c.ipConfigCurrent),
          marksOf(c)};
}

}  // namespace

std::string alignedColumns(const std::vector<std::vector<std::string>>& rows) {
  std::vector<size_t> width;
  for (const Row& row : rows) {
    width.resize(std::max(width.size(), row.size()));
    for (size_t i = 0; i < row.size(); ++i) width[i] = std::max(width[i], row[i].size());
  }
  std::string text;
  for (const Row& row : rows) {
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      line += row[i];
      if (i + 1 < row.size()) line += std::string(width[i] - row[i].size() + 2, ' ');
    }
    line.erase(line.find_last_not_of(' ') + 1);
    text += line + "\n";
  }
  return text;
}

std::string addressWithMask(net::Ipv4 ip, net::Ipv4 mask) {
  const uint32_t bits = mask.host();
  // Contiguous: the ones all lead, so the inverted mask plus one is a power of two.
  if (std::has_single_bit(~bits + 1) || bits == 0) {
    return ip.text() + "/" + std::to_string(std::popcount(bits));
  }
  return ip.text() + "/" + mask.text();
}

std::string listTable(const std::vector<device::CameraRecord>& cameras) {
  std::vector<Row> rows = {
      {"#", "MAC", "ADDRESS", "ADAPTER", "MODEL", "SERIAL", "USER NAME", "MODE", "!"}};
  std::string marks;
  for (size_t i = 0; i < cameras.size(); ++i) {
    rows.push_back(rowOf(i + 1, cameras[i]));
    marks += marksOf(cameras[i]);
  }
  std::string text = alignedColumns(rows);
  const std::pair<char, const char*> notes[] = {
      {'!', kOutsideSubnetNote}, {'=', kSharedAddressNote}, {'*', kHostAddressNote}};
  for (const auto& [mark, note] : notes) {
    if (marks.find(mark) != std::string::npos) text += std::string(note) + "\n";
  }
  return text;
}

namespace {

std::string addressNotes(const device::CameraRecord& c) {
  std::string notes = c.reachable ? "" : "  ! outside its adapter's subnet";
  if (!c.sharesAddressWith.empty()) {
    notes += "  = shared with";
    for (const auto& mac : c.sharesAddressWith) notes += " " + net::macText(mac);
  }
  if (c.hostAddress) notes += "  * an address of this host";
  return notes;
}

}  // namespace

std::string showBlock(const device::CameraRecord& c, const device::CameraSettings& s) {
  const std::string adapter = c.adapter ? gvcp::tableSafe(c.adapter->name) + " (" +
                                              addressWithMask(c.adapter->ip, c.adapter->mask) + ")"
                                        : "- (no adapter's subnet holds the address)";
  const std::pair<const char*, std::string> lines[] = {
      {"MAC", net::macText(c.mac)},
      {"Address", addressWithMask(c.ip, c.mask) + addressNotes(c)},
      {"Gateway", c.gateway.text()},
      {"Adapter", adapter},
      {"Manufacturer", gvcp::tableSafe(c.identity.manufacturer)},
      {"Model", gvcp::tableSafe(c.identity.model)},
      {"Device version", gvcp::tableSafe(c.identity.deviceVersion)},
      {"Manufacturer info", gvcp::tableSafe(c.identity.manufacturerInfo)},
      {"Serial", gvcp::tableSafe(c.identity.serial.value_or(""))},
      {"User name", gvcp::tableSafe(c.identity.userName.value_or(""))},
      {"IP config supported", modeText(c.ipConfigSupported)},
      {"IP config current", modeText(c.ipConfigCurrent)},
      {"Persistent address", addressWithMask(s.persistent.ip, s.persistent.mask)},
      {"Persistent gateway", s.persistent.gateway.text()},
      {"Heartbeat timeout", std::to_string(s.heartbeatTimeoutMs) + " ms"},
      {"Control", s.ccp != 0 ? "held by another host (CCP " + std::to_string(s.ccp) + ")" : "free"},
  };
  std::string text;
  for (const auto& [name, value] : lines) {
    std::string label = std::string(name) + ":";
    label.resize(21, ' ');
    text += label + value + "\n";
  }
  return text;
}

}  // namespace cli

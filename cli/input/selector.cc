#include "cli/input/selector.h"

#include <algorithm>
#include <cctype>

#include "cli/output/table_render.h"
#include "net/macaddress.h"

namespace cli {

namespace {

std::optional<net::Mac> parseMac(std::string_view text) {
  const std::optional<MacAddress> mac = net::parseMacText(text);
  if (!mac) return std::nullopt;
  net::Mac bytes{};
  mac->getMacHw(bytes.data(), static_cast<int>(bytes.size()));
  return bytes;
}

// Digits with at least one dot: an address, or a mistyped one. Digits alone
// are a serial number (many cameras carry all-digit serials).
bool looksLikeAddress(std::string_view text) {
  return text.find('.') != std::string_view::npos &&
         std::all_of(text.begin(), text.end(), [](char c) {
           return c == '.' || std::isdigit(static_cast<unsigned char>(c));
         });
}

}  // namespace

SelectorParse parseSelector(std::string_view text) {
  Selector selector;
  selector.text = std::string(text);
  if (const auto mac = parseMac(text)) {
    selector.kind = Selector::Kind::kMac;
    selector.mac = *mac;
    return {selector, ""};
  }
  if (looksLikeAddress(text)) {
    const std::optional<net::Ipv4> ip = net::Ipv4::parse(selector.text);
    if (!ip) return {std::nullopt, "CAMERA: '" + selector.text + "' is not a valid IPv4 address"};
    selector.ip = *ip;
    selector.kind = Selector::Kind::kAddress;
    return {selector, ""};
  }
  if (text.empty()) return {std::nullopt, "CAMERA: the camera name must not be empty"};
  if (text.size() > kMaxNameBytes) {
    // The text is echoed in one line of its own: nothing in it may drive the terminal.
    return {std::nullopt, "CAMERA: '" + gvcp::tableSafe(text) +
                              "' is longer than the 16 bytes of a " +
                              "serial number or user-defined name"};
  }
  return {selector, ""};
}

}  // namespace cli

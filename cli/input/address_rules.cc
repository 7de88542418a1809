#include "cli/input/address_rules.h"

#include <cctype>

namespace cli {
namespace {

constexpr size_t kMaxOctetDigits = 3;

// Camera text never reaches the terminal unfiltered; neither does typed text
// echoed back in an error line.
std::string printable(std::string_view text) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    out.push_back(byte >= 0x20 && byte < 0x7F ? c : '?');
  }
  return out;
}

std::optional<uint32_t> parseOctet(std::string_view digits) {
  if (digits.empty() || digits.size() > kMaxOctetDigits) return std::nullopt;
  uint32_t value = 0;
  for (const char c : digits) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value > 255) return std::nullopt;
  return value;
}

AddressProblem problem(FieldText given, std::string reason) {
  return {std::string(given.field), std::string(given.text), std::move(reason)};
}

std::variant<net::Ipv4, AddressProblem> parseField(FieldText given) {
  if (const std::optional<net::Ipv4> value = parseDottedQuad(given.text)) return *value;
  return problem(given, "not a dotted IPv4 address");
}

}  // namespace

std::string AddressProblem::message() const {
  return field + " " + printable(value) + ": " + reason;
}

std::optional<net::Ipv4> parseDottedQuad(std::string_view text) {
  uint32_t address = 0;
  for (int octet = 0; octet < 4; ++octet) {
    const size_t dot = octet < 3 ? text.find('.') : text.size();
    if (dot == std::string_view::npos) return std::nullopt;
    const std::optional<uint32_t> value = parseOctet(text.substr(0, dot));
    if (!value) return std::nullopt;
    address = (address << 8) | *value;
    text.remove_prefix(octet < 3 ? dot + 1 : dot);
  }
  return net::Ipv4::fromHost(address);
}

std::variant<AddressSet, AddressProblem> checkMaskAndGateway(FieldText mask, FieldText gateway) {
  AddressSet set;
  const auto parsedMask = parseField(mask);
  if (const auto* bad = std::get_if<AddressProblem>(&parsedMask)) return *bad;
  set.mask = std::get<net::Ipv4>(parsedMask);
  if (!isContiguousMask(set.mask)) return problem(mask, "not a contiguous subnet mask");
  if (gateway.text.empty()) return set;
  const auto parsedGateway = parseField(gateway);
  if (const auto* bad = std::get_if<AddressProblem>(&parsedGateway)) return *bad;
  set.gateway = std::get<net::Ipv4>(parsedGateway);
  return set;
}

std::variant<AddressSet, AddressProblem> checkAddressSet(FieldText ip, FieldText mask,
                                                         FieldText gateway) {
  const auto partial = checkMaskAndGateway(mask, gateway);
  if (const auto* bad = std::get_if<AddressProblem>(&partial)) return *bad;
  AddressSet set = std::get<AddressSet>(partial);
  const auto parsedIp = parseField(ip);
  if (const auto* bad = std::get_if<AddressProblem>(&parsedIp)) return *bad;
  set.ip = std::get<net::Ipv4>(parsedIp);
  if (auto reason = hostAddressProblem(set.ip, set.mask)) return problem(ip, std::move(*reason));
  if (auto reason = gatewayProblem(set)) return problem(gateway, std::move(*reason));
  return set;
}

}  // namespace cli

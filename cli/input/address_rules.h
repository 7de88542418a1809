// Checks of the addresses, masks and gateways a command would write to a
// camera, before anything is sent. Values are host-order numbers (first
// dotted octet most significant). A failed check returns an AddressProblem
// naming the argument and the exact text given, so the caller prints one line
// and ends with a usage error. Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace cli {

struct AddressProblem {
  std::string field;   // e.g. "--ip" or "mask"
  std::string value;   // the text as given
  std::string reason;  // e.g. "not a contiguous subnet mask"
  // "FIELD VALUE: REASON" (the value made printable).
  std::string message() const;
};

// One argument's name and text, as the operator gave them.
struct FieldText {
  std::string_view field;
  std::string_view text;
};

// Address, mask and gateway for the persistent registers (gateway 0: none).
struct AddressSet {
  uint32_t ip = 0;
  uint32_t mask = 0;
  uint32_t gateway = 0;
  bool operator==(const AddressSet&) const = default;
};

// Exactly four decimal numbers 0..255 joined by dots, each of one to three
// digits; nothing else (no blanks, signs or shorthand forms such as "10.1").
std::optional<uint32_t> parseDottedQuad(std::string_view text);
std::string dottedText(uint32_t hostOrder);

// A run of one bits from the top followed by zeros only, with at least one
// network bit.
bool isContiguousMask(uint32_t mask);
// The mask's length in bits when contiguous.
int prefixLength(uint32_t mask);

// The address under `mask`: no network or broadcast address of its subnet,
// no 0.0.0.0, loopback, multicast or 255.255.255.255. Empty when acceptable,
// else the reason.
std::optional<std::string> hostAddressProblem(uint32_t ip, uint32_t mask);

// Parses and checks a whole set; an empty gateway text means 0.
std::variant<AddressSet, AddressProblem> checkAddressSet(FieldText ip, FieldText mask,
                                                         FieldText gateway);
// The same for a set whose address is picked later (ip left 0): the mask is
// checked, the gateway only parsed; gatewayProblem judges it once the address
// is known.
std::variant<AddressSet, AddressProblem> checkMaskAndGateway(FieldText mask, FieldText gateway);

// Empty when the set's gateway is 0 or lies in the address's subnet; else why not.
std::optional<std::string> gatewayProblem(const AddressSet& set);

}  // namespace cli

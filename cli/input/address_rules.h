// Checks of the addresses, masks and gateways a command would write to a
// camera, before anything is sent, by the rules of net/address_set.h. Values
// are net::Ipv4. A failed
// check returns an AddressProblem naming the argument and the exact text
// given, so the caller prints one line and ends with a usage error. Pure
// functions; any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "net/address_set.h"

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

// The address-set vocabulary, as the command line speaks it.
using net::AddressSet;
using net::cidrText;
using net::gatewayProblem;
using net::hostAddressProblem;
using net::isContiguousMask;
using net::prefixLength;

// Exactly four decimal numbers 0..255 joined by dots, each of one to three
// digits; nothing else (no blanks, signs or shorthand forms such as "10.1").
std::optional<net::Ipv4> parseDottedQuad(std::string_view text);

// Parses and checks a whole set; an empty gateway text means 0.
std::variant<AddressSet, AddressProblem> checkAddressSet(FieldText ip, FieldText mask,
                                                         FieldText gateway);
// The same for a set whose address is picked later (ip left 0): the mask is
// checked, the gateway only parsed; gatewayProblem judges it once the address
// is known.
std::variant<AddressSet, AddressProblem> checkMaskAndGateway(FieldText mask, FieldText gateway);

}  // namespace cli

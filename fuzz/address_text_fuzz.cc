// Any text as an address, a mask, a gateway, a MAC, a mode or a user name:
// the parsers accept only their one canonical shape (an accepted address or
// MAC prints back as the same value), and every refusal is one printable line.
// Half of the inputs are mapped onto the characters these texts are made of,
// so that the replay run reaches the checks behind the parsers.
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/input/address_rules.h"
#include "cli/input/camera_values.h"
#include "fuzz/fuzz_target.h"
#include "net/macaddress.h"

namespace {

constexpr std::string_view kAlphabet = "0123456789.......|||::--abcfABF 2552551";

std::string mapped(const uint8_t* data, size_t size) {
  std::string text;
  for (size_t i = 1; i < size; ++i) text.push_back(kAlphabet[data[i] % kAlphabet.size()]);
  return text;
}

void checkDottedQuad(std::string_view text) {
  const std::optional<net::Ipv4> value = cli::parseDottedQuad(text);
  if (!value) return;
  if (text.size() > 15 || cli::parseDottedQuad(value->text()) != value) std::abort();
}

void checkMac(std::string_view text) {
  const std::optional<MacAddress> mac = net::parseMacText(text);
  if (!mac) return;
  std::string canonical(text);
  for (char& c : canonical) c = c == '-' ? ':' : static_cast<char>(std::tolower(c));
  if (mac->getMacInStr(false) != canonical) std::abort();
}

// The text split at its first two '|' into address, mask and gateway.
void checkSet(std::string_view text) {
  const size_t first = text.find('|');
  const size_t second = first == text.npos ? text.npos : text.find('|', first + 1);
  const std::string_view ip = text.substr(0, first);
  const std::string_view mask =
      first == text.npos ? "" : text.substr(first + 1, second - first - 1);
  const std::string_view gateway = second == text.npos ? "" : text.substr(second + 1);
  const auto result = cli::checkAddressSet({"ip", ip}, {"mask", mask}, {"gateway", gateway});
  if (const auto* problem = std::get_if<cli::AddressProblem>(&result)) {
    for (const char c : problem->message()) {
      if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
        std::abort();
    }
    return;
  }
  const cli::AddressSet set = std::get<cli::AddressSet>(result);
  if (!cli::isContiguousMask(set.mask) || cli::hostAddressProblem(set.ip, set.mask)) std::abort();
  const bool inSubnet = net::networkOf(set.gateway, set.mask) == net::networkOf(set.ip, set.mask);
  if (!set.gateway.isZero() && !inSubnet) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = size > 0 && data[0] % 2 == 0
                                ? mapped(data, size)
                                : std::string(reinterpret_cast<const char*>(data), size);
  const std::string_view text = input;
  checkDottedQuad(text);
  checkMac(text);
  checkSet(text);
  if (const auto mode = cli::parseIpMode(text); mode && text != cli::ipModeName(*mode))
    std::abort();
  if (!cli::userNameProblem(text) && (text.empty() || text.size() > cli::kMaxUserNameBytes))
    std::abort();
  return 0;
}

// Any text as a CAMERA argument: it is exactly one of a MAC (printing back as
// the same bytes), a dotted address (printing back as the same text) or a
// name of 1 to 16 bytes, or else a refusal of one printable line. Matching
// against a few records built from the same input picks each camera the
// input names once, by its first record, and nothing else. Half of
// the inputs are mapped onto the characters selectors are made of, so that
// the replay run reaches every kind.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "cli/input/selector.h"
#include "fuzz/fuzz_target.h"
#include "net/macaddress.h"

using cli::kMaxNameBytes;
using cli::parseSelector;
using cli::Selector;
using cli::SelectorParse;
using device::matchCameras;

namespace {

constexpr std::string_view kAlphabet = "0123456789...::--abcdefABF 0202SN\n";
constexpr size_t kRecords = 4;

std::string mapped(const uint8_t* data, size_t size) {
  std::string text;
  for (size_t i = 1; i < size; ++i) text.push_back(kAlphabet[data[i] % kAlphabet.size()]);
  return text;
}

bool onePrintableLine(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F;
  });
}

void checkKind(const Selector& s, std::string_view text) {
  switch (s.kind) {
    case Selector::Kind::kMac: {
      const std::optional<MacAddress> mac = net::parseMacText(text);
      net::Mac bytes{};
      if (!mac) std::abort();
      mac->getMacHw(bytes.data(), static_cast<int>(bytes.size()));
      if (bytes != s.mac) std::abort();
      return;
    }
    case Selector::Kind::kAddress:
      if (text != s.ip.text()) std::abort();
      return;
    case Selector::Kind::kName:
      if (text.empty() || text.size() > kMaxNameBytes || net::parseMacText(text)) std::abort();
      return;
  }
}

// Records built so that the input bytes decide which ones the selector names:
// a field the selector looks at holds either the selector's own value or one
// that cannot equal it, and records may share a MAC (one camera seen twice).
struct Records {
  std::vector<GigE_Camera_Info> cameras;
  std::vector<bool> named;
};

Records records(const uint8_t* data, size_t size, const Selector& s) {
  Records built;
  for (size_t i = 0; i < kRecords; ++i) {
    const uint8_t pick = i < size ? data[i] : static_cast<uint8_t>(i);
    GigE_Camera_Info camera;
    net::Mac mac = {0x02, 0, 0, 0, 0, static_cast<uint8_t>(pick % 3)};
    if (s.kind == Selector::Kind::kMac) {
      mac = s.mac;
      if (!(pick & 0x10)) mac[5] ^= static_cast<uint8_t>(1 + pick % 3);
    }
    std::copy(mac.begin(), mac.end(), camera.cameraMacHw);
    camera.sourceIp = (pick & 0x20) ? s.ip.network() : ~s.ip.network();
    camera.serialNumber = (pick & 0x40) ? s.text : "";
    camera.userDefinedName = (pick & 0x80) ? s.text : "";
    const uint8_t namedBits = s.kind == Selector::Kind::kMac       ? 0x10
                              : s.kind == Selector::Kind::kAddress ? 0x20
                                                                   : 0xC0;
    built.cameras.push_back(camera);
    built.named.push_back((pick & namedBits) != 0);
  }
  return built;
}

net::Mac macOf(const GigE_Camera_Info& camera) {
  net::Mac mac{};
  std::copy(camera.cameraMacHw, camera.cameraMacHw + mac.size(), mac.begin());
  return mac;
}

// The named records, each MAC once by its first record, in order.
void checkMatching(const Selector& s, const Records& built) {
  std::vector<size_t> expected;
  for (size_t i = 0; i < built.cameras.size(); ++i) {
    if (!built.named[i]) continue;
    const bool seen = std::any_of(expected.begin(), expected.end(), [&](size_t e) {
      return macOf(built.cameras[e]) == macOf(built.cameras[i]);
    });
    if (!seen) expected.push_back(i);
  }
  const std::vector<GigE_Camera_Info> found = matchCameras(s, built.cameras);
  if (found.size() != expected.size()) std::abort();
  for (size_t k = 0; k < found.size(); ++k) {
    const GigE_Camera_Info& want = built.cameras[expected[k]];
    if (macOf(found[k]) != macOf(want) || found[k].sourceIp != want.sourceIp ||
        found[k].serialNumber != want.serialNumber ||
        found[k].userDefinedName != want.userDefinedName) {
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string input = size > 0 && data[0] % 2 == 0
                                ? mapped(data, size)
                                : std::string(reinterpret_cast<const char*>(data), size);
  const SelectorParse parsed = parseSelector(input);
  if (parsed.selector.has_value() == !parsed.error.empty()) std::abort();
  if (!parsed.selector) {
    if (!onePrintableLine(parsed.error)) std::abort();
    return 0;
  }
  if (parsed.selector->text != input) std::abort();
  checkKind(*parsed.selector, input);
  checkMatching(*parsed.selector, records(data, size, *parsed.selector));
  return 0;
}

// Any text as a CAMERA argument: it is exactly one of a MAC (printing back as
// the same bytes), a dotted address (printing back as the same text) or a
// name of 1 to 16 bytes, or else a refusal of one printable line. Matching
// against a few records built from the same input picks each named camera
// once, by its first record, and nothing the selector does not name. Half of
// the inputs are mapped onto the characters selectors are made of, so that
// the replay run reaches every kind.
#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "cli/selector.h"
#include "fuzz/fuzz_target.h"
#include "net/macaddress.h"

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
      const std::optional<MacAddress> mac = parseMacText(text);
      std::array<uint8_t, 6> bytes{};
      if (!mac) std::abort();
      mac->getMacHw(bytes.data(), static_cast<int>(bytes.size()));
      if (bytes != s.mac) std::abort();
      return;
    }
    case Selector::Kind::kAddress: {
      char dotted[INET_ADDRSTRLEN] = {};
      ::inet_ntop(AF_INET, &s.ip, dotted, sizeof dotted);
      if (text != dotted) std::abort();
      return;
    }
    case Selector::Kind::kName:
      if (text.empty() || text.size() > kMaxNameBytes || parseMacText(text)) std::abort();
      return;
  }
}

// Records whose MAC, address, serial and name are picked by the input bytes,
// so that several records of one camera and several cameras can match.
std::vector<GigE_Camera_Info> records(const uint8_t* data, size_t size, const Selector& s) {
  std::vector<GigE_Camera_Info> cameras(kRecords);
  for (size_t i = 0; i < kRecords; ++i) {
    const uint8_t pick = i < size ? data[i] : static_cast<uint8_t>(i);
    GigE_Camera_Info& camera = cameras[i];
    const bool selectorsMac = s.kind == Selector::Kind::kMac && (pick & 0x10);
    const uint8_t mac[6] = {0x02, 0, 0, 0, 0, static_cast<uint8_t>(pick % 3)};
    std::memcpy(camera.cameraMacHw, selectorsMac ? s.mac.data() : mac, sizeof mac);
    camera.cameraIp = (pick & 0x20) ? s.text : "10.0.0." + std::to_string(pick % 4 + 1);
    camera.serialNumber = (pick & 0x40) ? s.text : "SN" + std::to_string(pick % 2);
    camera.userDefinedName = (pick & 0x80) ? s.text : "";
  }
  return cameras;
}

bool sameMac(const GigE_Camera_Info& a, const GigE_Camera_Info& b) {
  return std::memcmp(a.cameraMacHw, b.cameraMacHw, sizeof a.cameraMacHw) == 0;
}

bool named(const Selector& s, const GigE_Camera_Info& camera) {
  switch (s.kind) {
    case Selector::Kind::kMac:
      return std::memcmp(camera.cameraMacHw, s.mac.data(), s.mac.size()) == 0;
    case Selector::Kind::kAddress:
      return camera.cameraIp == s.text;
    case Selector::Kind::kName:
      return camera.serialNumber == s.text || camera.userDefinedName == s.text;
  }
  return false;
}

void checkMatching(const Selector& s, const std::vector<GigE_Camera_Info>& cameras) {
  const std::vector<GigE_Camera_Info> found = matchCameras(s, cameras);
  for (size_t i = 0; i < found.size(); ++i) {
    if (!named(s, found[i])) std::abort();
    for (size_t j = 0; j < i; ++j)
      if (sameMac(found[i], found[j])) std::abort();
  }
  for (const GigE_Camera_Info& camera : cameras) {
    if (!named(s, camera)) continue;
    const auto first = std::find_if(cameras.begin(), cameras.end(), [&](const auto& c) {
      return named(s, c) && sameMac(c, camera);
    });
    const bool kept = std::any_of(found.begin(), found.end(), [&](const auto& f) {
      return sameMac(f, *first) && f.cameraIp == first->cameraIp &&
             f.serialNumber == first->serialNumber;
    });
    if (!kept) std::abort();
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

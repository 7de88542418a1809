#include "cli/selector.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  const int lower = std::tolower(static_cast<unsigned char>(c));
  if (lower >= 'a' && lower <= 'f') return lower - 'a' + 10;
  return -1;
}

// Six pairs of hex digits with one separator kind, ':' or '-', between them.
std::optional<std::array<uint8_t, 6>> parseMac(std::string_view text) {
  if (text.size() != 17) return std::nullopt;
  const char separator = text[2];
  if (separator != ':' && separator != '-') return std::nullopt;
  std::array<uint8_t, 6> mac{};
  for (size_t i = 0; i < 6; ++i) {
    const int high = hexDigit(text[3 * i]);
    const int low = hexDigit(text[3 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    if (i < 5 && text[3 * i + 2] != separator) return std::nullopt;
    mac[i] = static_cast<uint8_t>(high * 16 + low);
  }
  return mac;
}

bool looksLikeAddress(std::string_view text) {
  return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return c == '.' || std::isdigit(static_cast<unsigned char>(c));
  });
}

bool sameCamera(const GigE_Camera_Info& a, const GigE_Camera_Info& b) {
  return std::memcmp(a.cameraMacHw, b.cameraMacHw, sizeof a.cameraMacHw) == 0;
}

bool matches(const Selector& s, const GigE_Camera_Info& camera) {
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
    if (::inet_pton(AF_INET, selector.text.c_str(), &selector.ip) != 1) {
      return {std::nullopt, "CAMERA: '" + selector.text + "' is not a valid IPv4 address"};
    }
    selector.kind = Selector::Kind::kAddress;
    return {selector, ""};
  }
  if (text.empty()) return {std::nullopt, "CAMERA: the camera name must not be empty"};
  if (text.size() > kMaxNameBytes) {
    return {std::nullopt, "CAMERA: '" + selector.text + "' is longer than the 16 bytes of a " +
                              "serial number or user-defined name"};
  }
  return {selector, ""};
}

std::vector<GigE_Camera_Info> matchCameras(const Selector& selector,
                                           const std::vector<GigE_Camera_Info>& cameras) {
  std::vector<GigE_Camera_Info> found;
  for (const GigE_Camera_Info& camera : cameras) {
    if (!matches(selector, camera)) continue;
    const bool known = std::any_of(found.begin(), found.end(),
                                   [&](const GigE_Camera_Info& f) { return sameCamera(f, camera); });
    if (!known) found.push_back(camera);
  }
  return found;
}

#include "cli/input/selector.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "cli/output/table_render.h"
#include "net/macaddress.h"

namespace cli {

namespace {

std::optional<net::Mac> parseMac(std::string_view text) {
  const std::optional<MacAddress> mac = parseMacText(text);
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
    // The text is echoed in one line of its own: nothing in it may drive the terminal.
    return {std::nullopt, "CAMERA: '" + tableSafe(text) + "' is longer than the 16 bytes of a " +
                              "serial number or user-defined name"};
  }
  return {selector, ""};
}

std::vector<GigE_Camera_Info> matchCameras(const Selector& selector,
                                           const std::vector<GigE_Camera_Info>& cameras) {
  std::vector<GigE_Camera_Info> found;
  for (const GigE_Camera_Info& camera : cameras) {
    if (!matches(selector, camera)) continue;
    const auto known = std::find_if(found.begin(), found.end(), [&](const GigE_Camera_Info& f) {
      return sameDevice(f, camera);
    });
    if (known == found.end()) {
      found.push_back(camera);
    } else if (!answersInAdapterSubnet(*known) && answersInAdapterSubnet(camera)) {
      *known = camera;  // the record unicast reaches the camera through
    }
  }
  return found;
}

}  // namespace cli

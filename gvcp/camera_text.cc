#include "gvcp/camera_text.h"

#include <algorithm>

std::string gvcp::textField(const uint8_t* field, size_t width) {
  const uint8_t* end = std::find(field, field + width, 0);
  return std::string(reinterpret_cast<const char*>(field), static_cast<size_t>(end - field));
}

std::string gvcp::terminalSafe(std::string_view text) {
  std::string safe(text);
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) c = '?';
  }
  return safe;
}

std::string gvcp::tableSafe(std::string_view text) {
  std::string safe = gvcp::terminalSafe(text);
  for (char& c : safe) {
    if (static_cast<unsigned char>(c) >= 0x80) c = '?';
  }
  return safe;
}

// SHA-256 (FIPS 180-4) of a firmware image, so an operator can state the
// digest of the image they mean to program and the tool refuses any other.
// Pure functions over bytes; any thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace fwupdate {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest sha256(std::span<const uint8_t> bytes);

// The digest as 64 lower-case hex digits.
std::string sha256Hex(std::span<const uint8_t> bytes);

// A digest given by an operator, 64 hex digits in either case, in lower case;
// empty when `text` is not one.
std::optional<std::string> normalizedSha256(const std::string& text);

}  // namespace fwupdate

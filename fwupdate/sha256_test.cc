// SHA-256 against the FIPS 180-2 example messages, and at the padding's edges
// (56 and 64 bytes: two closing blocks, a whole block and one more).
#include "fwupdate/sha256.h"

#include <gtest/gtest.h>

#include <string>

namespace fwupdate {
namespace {

TEST(Sha256Test, KnownDigests) {
  const struct {
    std::string message;
    const char* digest;
  } cases[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {std::string(56, 'a'), "b35439a4ac6f0948b6d6f9e3c6af0f5f590ce20f1bde7090ef7970686ec6738a"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
  };
  for (const auto& c : cases) {
    const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(c.message.data()),
                                         c.message.size());
    EXPECT_EQ(sha256Hex(bytes), c.digest) << c.message.size();
  }
}

TEST(Sha256Test, OperatorDigestIsSixtyFourHexDigitsInEitherCase) {
  EXPECT_EQ(normalizedSha256(std::string(64, 'A')), std::string(64, 'a'));
  EXPECT_FALSE(normalizedSha256(std::string(63, 'a') + "g"));
}

}  // namespace
}  // namespace fwupdate

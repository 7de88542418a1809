// Test support only: the FORCEIP_CMD that asks the camera with MAC
// 00:11:22:33:44:55 to take 192.168.1.10 / 255.255.255.0, written out byte by
// byte from the protocol's field layout, for the builder and the wire capture.
#pragma once

#include <cstdint>
#include <vector>

namespace testing_peer {

inline std::vector<uint8_t> exampleForceIpDatagram() {
  std::vector<uint8_t> bytes = {0x42, 0x01, 0x00, 0x04, 0x00, 0x38, 0x00, 0x09,
                                0x00, 0x00, 0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
  bytes.insert(bytes.end(), 12, 0x00);
  bytes.insert(bytes.end(), {0xC0, 0xA8, 0x01, 0x0A});
  bytes.insert(bytes.end(), 12, 0x00);
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0xFF, 0x00});
  bytes.insert(bytes.end(), 16, 0x00);
  return bytes;
}

}  // namespace testing_peer

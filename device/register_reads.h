// Reading a camera's registers and text areas into values: each read is one
// exchange on a Camera the caller owns and returns a gvcp::Status naming what
// was read. Prints nothing. Outputs are written only when their read
// succeeded, so a caller's earlier value survives a failed read. Runs on the
// caller's thread.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

#include "gvcp/status.h"
#include "net/macaddress.h"

class Camera;

namespace device {

gvcp::Status readRegister(Camera& camera, uint32_t address, uint32_t& value);
// Each register of `reads` into its value. One concatenated READREG where
// `capabilities` (the GVCP capability register) offers it; one READREG each
// otherwise, and also when the camera refuses the concatenated read (a device
// that claims what it cannot do). Stops at the first failure.
using RegisterRead = std::pair<uint32_t, uint32_t*>;
gvcp::Status readRegisters(Camera& camera, uint32_t capabilities,
                           std::span<const RegisterRead> reads);
// `field.size()` bytes of the memory at `address`.
gvcp::Status readMemory(Camera& camera, uint32_t address, std::span<uint8_t> field);
// MAC High holds the first two bytes in its low 16 bits, MAC Low the last four;
// `mac` is written only when both were read, in one READREG where
// `capabilities` offers concatenation (as readRegisters).
gvcp::Status readMac(Camera& camera, net::Mac& mac, uint32_t capabilities = 0);
net::Mac macOf(uint32_t high, uint32_t low);

// The texts a firmware update shows and checks: model name, device version
// and manufacturer information, one READMEM each; a field unread is empty.
struct FirmwareIdentity {
  std::string model;    // up to its first NUL, never past its field
  std::string version;  // the device version
  std::string info;     // the manufacturer information
  bool modelRead = false;
  bool versionRead = false;
};
FirmwareIdentity readFirmwareIdentity(Camera& camera);

}  // namespace device

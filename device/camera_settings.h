// CameraSettings: everything the command line shows of one camera, read from
// its registers and memory without taking control: its capabilities, identity,
// current and persistent address, mask and gateway, supported and current IP
// configuration, the control channel privilege and the heartbeat timeout.
// readCameraSettings reads the capability register (unless the caller gives
// it), then the texts in one READMEM, then every register in one
// concatenated READREG where the camera offers it: three exchanges on most
// cameras. An optional text the camera
// refuses to give is taken as absent. It stops at the first read that fails
// and returns its status; the fields read until then are kept. Prints
// nothing; the caller's thread.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "gvcp/status.h"
#include "net/address_set.h"
#include "net/macaddress.h"

class Camera;

namespace device {

// The camera's own texts, as it holds them (up to the first NUL of each field).
// The serial number and user-defined name are optional registers: empty when
// the GVCP capability register says the camera has none, or when the camera
// refuses to read one the capability register announces.
struct CameraIdentity {
  std::string manufacturer;
  std::string model;
  std::string deviceVersion;
  std::string manufacturerInfo;
  std::optional<std::string> serial{std::in_place};
  std::optional<std::string> userName{std::in_place};
};

struct CameraSettings {
  CameraIdentity identity;
  net::Mac mac{};
  net::AddressSet current;
  net::AddressSet persistent;
  uint32_t ipConfigSupported = 0;
  uint32_t ipConfigCurrent = 0;
  uint32_t ccp = 0;  // Control Channel Privilege as read; non-zero: a host holds control
  uint32_t heartbeatTimeoutMs = 0;
  uint32_t capabilities = 0;  // the GVCP capability register
};

// `capabilities`, when the caller has already read the capability register,
// spares reading it again.
gvcp::Status readCameraSettings(Camera& camera, CameraSettings& settings,
                                std::optional<uint32_t> capabilities = std::nullopt);

}  // namespace device

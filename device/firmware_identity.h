// The texts a firmware update shows and checks of a camera: its model name,
// device version and manufacturer information, each read in its own READMEM.
// Prints nothing; the caller's thread, with the threading rules of the Camera.
#pragma once

#include <string>

class Camera;

namespace device {

struct FirmwareIdentity {
  std::string model;    // up to its first NUL, never past its field
  std::string version;  // the device version
  std::string info;     // the manufacturer information
  bool modelRead = false;
  bool versionRead = false;
};

FirmwareIdentity readFirmwareIdentity(Camera& camera);

}  // namespace device

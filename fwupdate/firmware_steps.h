// The identity steps of a firmware update: reading the texts the update shows
// and checks, and the check of an image's file name against the model.
// Nothing here prints; callers word the outcome. The caller's thread, with
// the threading rules of the Camera used.
#pragma once

#include <string>
#include <string_view>

#include "gvcp/camera.h"

// After programming the camera may still be busy; one retry of the privilege.
inline constexpr int kRetakeControlTries = 2;

struct FirmwareIdentity {
  std::string model;    // up to its first NUL, never past its field
  std::string version;  // the device version
  std::string info;     // the manufacturer information
  bool modelRead = false;
  bool versionRead = false;
};

FirmwareIdentity readFirmwareIdentity(Camera& camera);

// The part of an image file name that must equal the model name: up to the
// second-to-last '_', else up to the only '_', else the whole name.
std::string_view firmwarePrefix(std::string_view fileName);
// True when the prefix is at most 31 characters and equals `modelName`.
bool firmwareFitsModel(std::string_view fileName, std::string_view modelName);
// A model name that could not be read never matches: left empty, it would
// accept every image whose name begins with '_'.
bool imageFitsCamera(const FirmwareIdentity& identity, std::string_view fileName);
